# A Debian package of the install (scripts/package runs it): the package's dependencies come
# from dpkg-shlibdeps, run over the installed programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kst)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "KST developers <kst@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${PROJECT_DESCRIPTION}\n"
    "KST mirrors the meter's display, tests alarm limits, records readings with date and time,\n"
    "draws a trend graph, saves .mas sample files, exports CSV and prints reports. kst-log\n"
    "records the meter from the command line, without a screen, and kst-meter-sim is a\n"
    "virtual meter to try both without one.")
# The windows are drawn in Arial and Arial Narrow, whose metric-compatible faces these are.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
include(CPack)
