#pragma once

namespace testsupport {

// True when this code is instrumented by AddressSanitizer (GCC or Clang) or by
// UndefinedBehaviorSanitizer (Clang; GCC does not tell). Instrumented code runs several times
// slower, so a limit on the processor time a test may use does not mean there what it says.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif
#else
inline constexpr bool kSanitizedBuild = false;
#endif

}  // namespace testsupport
