// The runtime core's part of the program as a whole: the end through a failure, and the test's
// message box observer, which both runtimes show their boxes to.
#include <mutex>
#include <utility>

#include "wizard/ui/native.h"

namespace ui {
namespace {

std::mutex& ObserverMutex()
{
    static std::mutex mutex;
    return mutex;
}

MessageBoxObserver& Observer()
{
    static MessageBoxObserver observer;
    return observer;
}

MessageBoxObserver CurrentObserver()
{
    const std::lock_guard lock(ObserverMutex());
    return Observer();
}

}  // namespace

void Fail(const std::string& message)
{
    platform::ShowMessage(message, platform::MessageIcon::Critical);
    EndNow(1);
}

void FailWithCurrentException()
{
    try {
        throw;
    } catch (const std::exception& error) {
        Fail(error.what());
    } catch (...) {
        Fail(kUnexpectedError);
    }
}

void SetMessageBoxObserver(MessageBoxObserver observer)
{
    const std::lock_guard lock(ObserverMutex());
    Observer() = std::move(observer);
}

bool native::HasMessageBoxObserver() { return static_cast<bool>(CurrentObserver()); }

bool native::AskMessageBoxObserver(const std::string& text, platform::MessageIcon icon,
                                   std::exception_ptr& failure)
{
    const MessageBoxObserver observer = CurrentObserver();
    if (!observer) return false;
    try {
        return observer(text, icon);
    } catch (...) {
        failure = std::current_exception();
        return true;
    }
}

}  // namespace ui
