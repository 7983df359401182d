#include "platform/process.h"

#include <windows.h>

#include <timeapi.h>  // needs windows.h first

#include <atomic>
#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/ansi_win.h"
#include "platform/deadline.h"
#include "platform/handle_win.h"

// Children run in a job object of their own, so that a stop ends whatever they started as well.
// The pipe is made as CreatePipe makes it, then kept from every child: StartProcess hands the
// child inheritable copies of exactly its standard handles and nothing else of ours.

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
using win::AsHandle;
using win::FromHandle;

constexpr DWORD kPipeBufferSize = 1024;
constexpr DWORD kStartFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;

// An inheritable copy of handle, or of the null device when there is none; none when the
// system refuses it.
UniqueHandle InheritableCopy(NativeHandle handle, DWORD nullAccess)
{
    if (handle == kNoHandle) {
        SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        return UniqueHandle(FromHandle(::CreateFileA("NUL", nullAccess, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                     &attributes, OPEN_EXISTING, 0, nullptr)));
    }
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), AsHandle(handle), ::GetCurrentProcess(), &copy, 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        return UniqueHandle();
    return UniqueHandle(FromHandle(copy));
}

// The list of handles a child may inherit. Where the system offers no such list, the lock in
// StartProcess still keeps the copies from any other child of ours.
class InheritList {
public:
    explicit InheritList(std::vector<HANDLE> handles) : handles_(std::move(handles))
    {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (size == 0 || !::InitializeProcThreadAttributeList(list_, 1, 0, &size)) {
            list_ = nullptr;
            return;
        }
        if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                         handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
            ::DeleteProcThreadAttributeList(list_);
            list_ = nullptr;
        }
    }
    ~InheritList()
    {
        if (list_ != nullptr) ::DeleteProcThreadAttributeList(list_);
    }
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

private:
    std::vector<HANDLE> handles_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

std::mutex& StartMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

struct ChildProcess::Impl {
    UniqueHandle process;
    // Closed before the process (members go in reverse order). The job is not set to end its
    // processes when closed: a child that outlives us keeps running.
    UniqueHandle job;
    DWORD id = 0;
    std::optional<ChildEnd> end;

    HANDLE Process() const { return AsHandle(process.get()); }
    HANDLE Job() const { return AsHandle(job.get()); }
};

ChildProcess::ChildProcess() = default;
ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ChildProcess::ChildProcess(ChildProcess&&) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&&) noexcept = default;
ChildProcess::~ChildProcess() = default;

std::int64_t ChildProcess::id() const { return impl_ ? static_cast<std::int64_t>(impl_->id) : -1; }

bool ChildProcess::WaitForEnd(int maxWaitMs)
{
    if (!impl_) return true;
    if (::WaitForSingleObject(impl_->Process(), static_cast<DWORD>(maxWaitMs > 0 ? maxWaitMs : 0)) !=
        WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    if (!impl_->end && ::GetExitCodeProcess(impl_->Process(), &code)) {
        // An exception nothing handled ends a process with its code, an NTSTATUS of the error
        // severity (0xC0000005 for an access violation); programs end with small numbers.
        impl_->end = ChildEnd{static_cast<int>(code), (code & 0xC0000000u) == 0xC0000000u};
    }
    return true;
}

std::optional<ChildEnd> ChildProcess::End() const { return impl_ ? impl_->end : std::nullopt; }

// Console programs without a console of ours cannot be asked to end, so the whole job is ended
// at once; graceMs only bounds the wait for the child's end.
void ChildProcess::TerminateGroup(int graceMs)
{
    if (!impl_) return;
    if (impl_->job.valid()) ::TerminateJobObject(impl_->Job(), 1);
    ::TerminateProcess(impl_->Process(), 1);
    const auto deadline = Clock::now() + std::chrono::milliseconds(graceMs > 100 ? graceMs : 100);
    ::WaitForSingleObject(impl_->Process(), static_cast<DWORD>(RemainingMs(deadline)));
    if (!impl_->job.valid()) return;
    // The other members of the job end asynchronously; wait a moment for the job to empty.
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    while (::QueryInformationJobObject(impl_->Job(), JobObjectBasicAccountingInformation, &info, sizeof info,
                                       nullptr) &&
           info.ActiveProcesses > 0 && RemainingMs(deadline) > 0)
        ::Sleep(1);
}

bool CreateOutputPipe(OutputPipe& pipe)
{
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &attributes, kPipeBufferSize)) return false;
    UniqueHandle write(FromHandle(writeEnd));
    HANDLE ownReadEnd = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), readEnd, ::GetCurrentProcess(), &ownReadEnd, 0, FALSE,
                           DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS))
        return false;
    UniqueHandle read(FromHandle(ownReadEnd));
    // The write end reaches a child only as the copy StartProcess makes for it.
    if (!::SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0)) return false;
    pipe.readEnd = std::move(read);
    pipe.writeEnd = std::move(write);
    return true;
}

ReadResult ReadAvailable(NativeHandle readEnd, char* buffer, std::size_t capacity)
{
    DWORD available = 0;
    if (!::PeekNamedPipe(AsHandle(readEnd), nullptr, 0, nullptr, &available, nullptr))
        return {::GetLastError() == ERROR_BROKEN_PIPE ? ReadStatus::End : ReadStatus::Failed, 0};
    if (available == 0) return {ReadStatus::NoDataYet, 0};
    const DWORD wanted = static_cast<DWORD>(capacity < available ? capacity : available);
    DWORD got = 0;
    if (!::ReadFile(AsHandle(readEnd), buffer, wanted, &got, nullptr))
        return {::GetLastError() == ERROR_BROKEN_PIPE ? ReadStatus::End : ReadStatus::Failed, 0};
    return {ReadStatus::Data, got};
}

namespace {
std::atomic<int> fineTimersHeld{0};
}  // namespace

FineTimer::FineTimer() : held_(::timeBeginPeriod(1) == TIMERR_NOERROR)
{
    if (held_) ++fineTimersHeld;
}

FineTimer::~FineTimer()
{
    if (!held_) return;
    ::timeEndPeriod(1);
    --fineTimersHeld;
}

int FineTimersHeld() { return fineTimersHeld.load(); }

// Anonymous pipes cannot be waited on, so the pipe is looked at every millisecond; the runner
// holds a FineTimer meanwhile, as the system's default step of 15.6 ms would let a wait run a
// slice over.
bool WaitReadable(NativeHandle readEnd, int maxWaitMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(maxWaitMs > 0 ? maxWaitMs : 0);
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(AsHandle(readEnd), nullptr, 0, nullptr, &available, nullptr)) return true;
        if (available > 0) return true;
        if (RemainingMs(deadline) <= 0) return false;
        ::Sleep(1);
    }
}

StartResult StartProcess(const StartOptions& options)
{
    StartResult result;
    const std::lock_guard lock(StartMutex());

    const UniqueHandle input = InheritableCopy(kNoHandle, GENERIC_READ);
    const UniqueHandle output = InheritableCopy(options.standardOutput, GENERIC_WRITE);
    const UniqueHandle error = InheritableCopy(options.standardError, GENERIC_WRITE);
    for (const UniqueHandle* handle : {&input, &output, &error}) {
        if (!handle->valid() || handle->get() == 0) {
            result.systemError = static_cast<int>(::GetLastError());
            return result;
        }
    }

    std::vector<HANDLE> inherited{AsHandle(input.get()), AsHandle(output.get())};
    if (error.get() != output.get()) inherited.push_back(AsHandle(error.get()));
    const InheritList inheritList(inherited);

    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = inheritList.get() != nullptr ? sizeof(STARTUPINFOEXA) : sizeof(STARTUPINFOA);
    startup.StartupInfo.dwFlags = kStartFlags;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = AsHandle(input.get());
    startup.StartupInfo.hStdOutput = AsHandle(output.get());
    startup.StartupInfo.hStdError = AsHandle(error.get());
    startup.lpAttributeList = inheritList.get();

    // Suspended until it is in its job, so that nothing it starts can escape the job.
    DWORD flags = CREATE_SUSPENDED;
    if (inheritList.get() != nullptr) flags |= EXTENDED_STARTUPINFO_PRESENT;
    std::string commandLine = win::Utf8ToAnsi(options.commandLine);
    const std::string workingDirectory = win::Utf8ToAnsi(options.workingDirectory);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                          workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup.StartupInfo,
                          &process)) {
        const DWORD failure = ::GetLastError();
        result.systemError = static_cast<int>(failure);
        result.status = failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND ||
                                failure == ERROR_INVALID_NAME || failure == ERROR_DIRECTORY
                            ? StartStatus::NotFound
                            : StartStatus::Failed;
        return result;
    }

    auto impl = std::make_unique<ChildProcess::Impl>();
    impl->process.reset(FromHandle(process.hProcess));
    impl->id = process.dwProcessId;
    if (const HANDLE job = ::CreateJobObjectA(nullptr, nullptr); job != nullptr)
        impl->job.reset(FromHandle(job));
    if (impl->job.valid() && !::AssignProcessToJobObject(impl->Job(), process.hProcess)) {
        // Already in a job that allows no nesting: the child alone can still be ended.
        impl->job.reset();
    }
    ::ResumeThread(process.hThread);
    ::CloseHandle(process.hThread);
    result.child = ChildProcess(std::move(impl));
    result.status = StartStatus::Started;
    return result;
}

// Windows has no zombies: a process handle closed is all there is to collect.
void ReapEndedChildren() {}

std::size_t UncollectedChildCount() { return 0; }

}  // namespace platform
