/// \file
/// Error classes of the library.
///
/// Data-dependent failures (zero vector, zero quaternion, time domain and time division errors)
/// are thrown by value as one of the classes below. Every class records a wide message, the
/// library source file that threw and the line of the throw; `what()` returns the message as
/// UTF-8 text. The hierarchy lets a caller catch at any level:
///
///     ZELMsgBase <- ZELMsgData <- ZELMessage
///     std::exception, ZELMessage <- ZELException
///     ZELException <- ZELERuntimeError <- ZELENumericError, ZELEZeroDivide, ZELEOverflowError,
///                                         ZELEZeroVector
///     ZELException <- ZELELogicError   <- ZELEDomainError
///
#ifndef ZELMATH_FOUNDATION_ZELEXCEPTION_H
#define ZELMATH_FOUNDATION_ZELEXCEPTION_H

/// \addtogroup foundation
/// @{

#include "ZELMathExport.h"

#include <exception>
#include <string>

/// Root of the message classes: owns the message, the source file and the line.
class ZELMATH_EXPORT ZELMsgBase {
public:
    ZELMsgBase() = default;
    ZELMsgBase(const std::wstring& message, const char* file, int line);
    ZELMsgBase(const ZELMsgBase&) = default;
    ZELMsgBase& operator=(const ZELMsgBase&) = default;
    virtual ~ZELMsgBase();

    const std::wstring& message() const noexcept { return message_; }
    const std::string& file() const noexcept { return file_; }
    int line() const noexcept { return line_; }

private:
    std::wstring message_;
    std::string file_;
    int line_ = 0;
};

/// A message with its origin; adds nothing to ZELMsgBase but a level of the hierarchy.
class ZELMATH_EXPORT ZELMsgData : public ZELMsgBase {
public:
    ZELMsgData() = default;
    ZELMsgData(const std::wstring& message, const char* file, int line);
    ~ZELMsgData() override;
};

/// The message base of the exceptions.
class ZELMATH_EXPORT ZELMessage : public ZELMsgData {
public:
    ZELMessage() = default;
    ZELMessage(const std::wstring& message, const char* file, int line);
    ~ZELMessage() override;
};

/// Base of every exception the library throws; catch it (or std::exception) to catch them all.
class ZELMATH_EXPORT ZELException : public std::exception, public ZELMessage {
public:
    ZELException(const std::wstring& message, const char* file, int line);
    ZELException(const ZELException&) = default;
    ZELException& operator=(const ZELException&) = default;
    ~ZELException() override;

    /// The message as UTF-8 text.
    const char* what() const noexcept override;

private:
    std::string what_;
};

#define ZELMATH_DECLARE_ERROR_CLASS(Name, Base)                        \
    class ZELMATH_EXPORT Name : public Base {                          \
    public:                                                            \
        Name(const std::wstring& message, const char* file, int line); \
        Name(const Name&) = default;                                   \
        Name& operator=(const Name&) = default;                        \
        ~Name() override;                                              \
    }

/// Failures that depend on the data of a call.
ZELMATH_DECLARE_ERROR_CLASS(ZELERuntimeError, ZELException);
/// Arguments outside the domain of an operation.
ZELMATH_DECLARE_ERROR_CLASS(ZELELogicError, ZELException);
/// Numeric failures; thrown when a quaternion of zero length is normalised.
ZELMATH_DECLARE_ERROR_CLASS(ZELENumericError, ZELERuntimeError);
/// Division of a simulation time by zero ("ZELSimTime divide by zero").
ZELMATH_DECLARE_ERROR_CLASS(ZELEZeroDivide, ZELERuntimeError);
/// A simulation-time quotient beyond the largest time ("ZELSimTime division overflow").
ZELMATH_DECLARE_ERROR_CLASS(ZELEOverflowError, ZELERuntimeError);
/// A 3-vector or rotation axis of zero length where a direction is needed.
ZELMATH_DECLARE_ERROR_CLASS(ZELEZeroVector, ZELERuntimeError);
/// A nanosecond count of 1e9 or more in magnitude ("Nanosecond domain violation").
ZELMATH_DECLARE_ERROR_CLASS(ZELEDomainError, ZELELogicError);

#undef ZELMATH_DECLARE_ERROR_CLASS

/// @}

#endif
