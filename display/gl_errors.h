#pragma once
#include <stdexcept>
#include <string>

namespace ombrel {

// The error classes of the render buffer and its context.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EGLContext : public Exception {
public:
    using Exception::Exception;
};
class EOpenGLError : public Exception {
public:
    using Exception::Exception;
};
class EOSError : public Exception {
public:
    explicit EOSError(const std::string& systemMessage) : Exception("OS Error : " + systemMessage) {}
};

}  // namespace ombrel
