#include "platform/handle.h"

#include "platform/handle_win.h"

namespace platform {

void UniqueHandle::reset(NativeHandle handle)
{
    if (handle_ != kNoHandle) ::CloseHandle(win::AsHandle(handle_));
    handle_ = handle;
}

}  // namespace platform
