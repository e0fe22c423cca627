#pragma once

#include "files/SampleFile.h"
#include "record/SampleLog.h"

#include <QIODevice>
#include <QString>

namespace kst {

// Appends the device's records to the log at SampleCount, growing the arrays by the log's
// capacity rule; the caller empties the log first. Fields are separated by commas or line ends
// and blanks before a field are skipped. Reading stops at the first record with too few fields
// or a field that does not convert; the records before it stay loaded.
SampleFileReadResult ReadSampleFile(QIODevice &device, SampleLog &log,
                                    const SampleFileProgress &progress = {});

// Opens path and reads it as above; a file that cannot be opened loads nothing and is reported
// as stopped at line 0 with the reason.
SampleFileReadResult LoadSampleFile(const QString &path, SampleLog &log,
                                    const SampleFileProgress &progress = {});

} // namespace kst
