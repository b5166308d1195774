#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace vantorel {

// A failure of a backend request; description() is what the user reads.
class AccountError {
public:
    enum class Kind {
        Api,             // the backend's message, or the cannot-reach text
        InvalidBaseURL,  // "The backend URL is invalid."
        MissingSession,  // "You are not signed in."
        InvalidResponse, // "The server returned an invalid response."
        Transport,       // another failure of the connection, in the platform's words
        Decoding,        // a 2xx answer that is not the expected record
    };

    static AccountError api(QString message) { return {Kind::Api, std::move(message)}; }
    static AccountError invalidBaseURL() {
        return {Kind::InvalidBaseURL, QStringLiteral("The backend URL is invalid.")};
    }
    static AccountError missingSession() { return {Kind::MissingSession, QStringLiteral("You are not signed in.")}; }
    static AccountError invalidResponse() {
        return {Kind::InvalidResponse, QStringLiteral("The server returned an invalid response.")};
    }
    static AccountError transport(QString description) { return {Kind::Transport, std::move(description)}; }
    static AccountError decoding(QString description) { return {Kind::Decoding, std::move(description)}; }

    Kind kind() const { return kind_; }
    const QString& description() const { return description_; }
    bool operator==(const AccountError&) const = default;

private:
    AccountError(Kind kind, QString description) : kind_(kind), description_(std::move(description)) {}
    Kind kind_;
    QString description_;
};

// A value or an AccountError.
template <typename T> class AccountResult {
public:
    AccountResult(T value) : data_(std::move(value)) {}
    AccountResult(AccountError error) : data_(std::move(error)) {}
    bool ok() const { return data_.index() == 0; }
    const T& value() const { return std::get<0>(data_); }
    const AccountError& error() const { return std::get<1>(data_); }

private:
    std::variant<T, AccountError> data_;
};

// The result of an operation that gives nothing back.
using AccountStatus = AccountResult<std::monostate>;

} // namespace vantorel
