// A NativeHandle as the HANDLE it stands for, and back.
#pragma once

#include <windows.h>

#include "platform/handle.h"

namespace platform::win {

inline HANDLE AsHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }
inline NativeHandle FromHandle(HANDLE handle) { return reinterpret_cast<NativeHandle>(handle); }

}  // namespace platform::win
