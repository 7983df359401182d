#include "platform/handle.h"

#include <unistd.h>

namespace platform {

void UniqueHandle::reset(NativeHandle handle)
{
    // Linux releases the descriptor even when close is interrupted, so it is never retried.
    if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
    handle_ = handle;
}

}  // namespace platform
