#pragma once

#include <QString>

#include <optional>
#include <utility>

// One way for anything that can fail to say so: a value, or a Failure that names the cause and
// tells whether trying again may help. Results must be looked at ([[nodiscard]]); a result that
// is left alone on purpose is cast to void with a one-line reason beside it.
namespace kst {

struct Failure {
    enum class Kind {
        // The cause may pass: a device that went away, a full disk, a broker that is away.
        Transient,
        // Trying again will not help: a damaged file, a refused permission, a wrong setting.
        Permanent,
    };
    Kind kind = Kind::Permanent;
    // What failed and why, in words a user understands ("run.mas: no space left on the device").
    QString reason;

    static Failure Transient(QString reason) { return {Kind::Transient, std::move(reason)}; }
    static Failure Permanent(QString reason) { return {Kind::Permanent, std::move(reason)}; }
    // A failed system call: the errno value's text after `what`, and the kind the error implies
    // (a full disk, a lost device or an interrupted call may pass; a refusal does not).
    static Failure FromErrno(int error, const QString &what);
    bool RetryHelps() const { return kind == Kind::Transient; }
    // The same failure with `context` put in front of its reason ("Saving run.mas: ...").
    Failure In(const QString &context) const { return {kind, context + reason}; }
};

// The reason for an errno value as this program says it: "no space left on the device",
// "permission denied", ...; strerror's text for the rest.
QString ErrnoText(int error);

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : failure_(std::move(failure)) {}

    bool Ok() const { return value_.has_value(); }
    explicit operator bool() const { return Ok(); }
    // The value; only when Ok().
    const T &Value() const & { return *value_; }
    T &Value() & { return *value_; }
    T &&Value() && { return std::move(*value_); }
    const T &operator*() const & { return *value_; }
    T &operator*() & { return *value_; }
    const T *operator->() const { return &*value_; }
    T *operator->() { return &*value_; }
    // The failure; only when !Ok().
    const Failure &Error() const { return failure_; }
    QString Reason() const { return failure_.reason; }

private:
    std::optional<T> value_;
    Failure failure_;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failed_(true), failure_(std::move(failure)) {}

    bool Ok() const { return !failed_; }
    explicit operator bool() const { return Ok(); }
    const Failure &Error() const { return failure_; }
    QString Reason() const { return failure_.reason; }

private:
    bool failed_ = false;
    Failure failure_;
};

using Status = Result<void>;

} // namespace kst
