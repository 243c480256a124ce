#pragma once

namespace mkstore {

inline constexpr int kExitCreated = 0;
inline constexpr int kExitRefused = 1;  // the store exists already and is left as it is
inline constexpr int kExitFailed = 2;

}  // namespace mkstore
