/// @file
/// The exception classes of the library. Every exception carries one message text, exactly as the
/// library documents it.
#pragma once

#include <exception>
#include <string>

namespace ozm {

/// The root of the library's exceptions: one message text.
class Exception : public std::exception {
public:
    /// An exception carrying Msg.
    explicit Exception(std::string Msg) : FMessage(std::move(Msg)) {}
    /// The message text.
    const std::string& message() const noexcept { return FMessage; }
    /// The message text, for std::exception.
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

/// The platform's own errors: floating-point math, input/output, conversion and assignment.
class EMathError : public Exception { using Exception::Exception; };
class EInOutError : public Exception { using Exception::Exception; };
class EConvertError : public Exception { using Exception::Exception; };

/// The library's base class and one class per unit.
class EOZMError : public Exception { using Exception::Exception; };
class EOZMMath1Error : public EOZMError { using EOZMError::EOZMError; };
class EOZMComplexError : public EOZMError { using EOZMError::EOZMError; };
class EOZMVectorError : public EOZMError { using EOZMError::EOZMError; };
class EOZMMatrixError : public EOZMError { using EOZMError::EOZMError; };
class EOZMDataTableError : public EOZMError { using EOZMError::EOZMError; };
class EOZMStatisError : public EOZMError { using EOZMError::EOZMError; };
class EOZMMath2Error : public EOZMError { using EOZMError::EOZMError; };
class EOZMMathExp : public EOZMError { using EOZMError::EOZMError; };
class EOZMFourierError : public EOZMError { using EOZMError::EOZMError; };
class EOZMWaveletError : public EOZMError { using EOZMError::EOZMError; };
/// The straight-line class reports through the platform's base class, not through EOZMError.
class EOZMSLineError : public Exception { using Exception::Exception; };

}  // namespace ozm
