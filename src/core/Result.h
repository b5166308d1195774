#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <variant>

namespace vantorel {

// A value or a human-readable error. Ports return these instead of throwing.
template <typename T>
class Result {
public:
    Result(T value) : data_(std::move(value)) {}
    static Result failure(QString message) { return Result(Error{std::move(message)}); }

    bool ok() const { return data_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(data_); }
    T& value() { return std::get<0>(data_); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    QString error() const { return ok() ? QString() : std::get<1>(data_).message; }
    std::optional<T> toOptional() const { return ok() ? std::optional<T>(value()) : std::nullopt; }

private:
    struct Error {
        QString message;
    };
    explicit Result(Error e) : data_(std::move(e)) {}
    std::variant<T, Error> data_;
};

// Success or an error message, for operations without a value.
class Status {
public:
    static Status success() { return Status(); }
    static Status failure(QString message) { return Status(std::move(message)); }
    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    QString error() const { return error_.value_or(QString()); }

private:
    Status() = default;
    explicit Status(QString m) : error_(std::move(m)) {}
    std::optional<QString> error_;
};

} // namespace vantorel
