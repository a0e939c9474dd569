#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace qm {

// The error value of an operation that failed; `description` is what callers log.
struct Error
{
    QString description;

    friend bool operator==(const Error &, const Error &) = default;
};

// Either a value or an Error. Operations that can fail return this instead of throwing.
template<typename T>
class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_state(std::move(value))
    {}
    Result(Error error)
        : m_state(std::move(error))
    {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    const T &value() const & { return std::get<T>(m_state); }
    T &value() & { return std::get<T>(m_state); }
    T &&value() && { return std::get<T>(std::move(m_state)); }
    const T &operator*() const & { return value(); }
    const T *operator->() const { return &value(); }

    const Error &error() const { return std::get<Error>(m_state); }

private:
    std::variant<T, Error> m_state;
};

template<>
class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
    {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

using Status = Result<void>;

} // namespace qm
