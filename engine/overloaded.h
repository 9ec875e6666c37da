#pragma once

namespace ombrel {

// One visitor from a lambda per alternative: a style left out does not compile.
template <typename... TCase>
struct TOverloaded : TCase... {
    using TCase::operator()...;
};

}  // namespace ombrel
