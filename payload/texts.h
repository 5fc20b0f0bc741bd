// Hand-kept code page 936 texts (to be generated).
#pragma once

#ifdef RC_INVOKED
#define kFileDescription "\xbe\xb2\xc4\xac\xb2\xce\xca\xfd -s"
#else
namespace korvex {
inline constexpr char kFileDescription[] = "\xbe\xb2\xc4\xac\xb2\xce\xca\xfd -s";
}  // namespace korvex
#endif
