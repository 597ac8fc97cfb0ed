// Policy changes: Group Policy's own notifications (RegisterGPNotification) for the machine and the
// user, and a change notification (RegNotifyChangeKeyValue) on HKLM's and HKCU's SOFTWARE\Policies,
// which also sees an administrator's or an MDM service's direct write. Each is an event polled
// without waiting.

#include "os/PolicyChanges.h"
#include "os/windows/WinSupport.h"

#include <userenv.h>

#include <array>
#include <mutex>

namespace prolamo::os {

namespace {

// An auto-reset event that a notification sets.
class Event {
public:
    Event() : handle_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~Event() {
        if (handle_)
            ::CloseHandle(handle_);
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    HANDLE Handle() const { return handle_; }
    // Whether it was set since the last look; the look resets it.
    bool Taken() const { return handle_ && ::WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }

private:
    HANDLE handle_;
};

// Group Policy has applied the machine's or the user's policies.
class GroupPolicyNotification {
public:
    explicit GroupPolicyNotification(bool machine)
        : registered_(event_.Handle() && ::RegisterGPNotification(event_.Handle(), machine ? TRUE : FALSE)) {}
    ~GroupPolicyNotification() {
        if (registered_)
            ::UnregisterGPNotification(event_.Handle());
    }
    GroupPolicyNotification(const GroupPolicyNotification&) = delete;
    GroupPolicyNotification& operator=(const GroupPolicyNotification&) = delete;

    bool Fired() const { return registered_ && event_.Taken(); }

private:
    Event event_;
    bool registered_;
};

// A change anywhere under Root\SOFTWARE\Policies; while that key does not exist, a key made or
// removed under Root\SOFTWARE, which may be it. Notifications fire once: each is armed again.
class PoliciesKeyNotification {
public:
    explicit PoliciesKeyNotification(HKEY root) : root_(root) { Arm(); }
    ~PoliciesKeyNotification() { Close(); }
    PoliciesKeyNotification(const PoliciesKeyNotification&) = delete;
    PoliciesKeyNotification& operator=(const PoliciesKeyNotification&) = delete;

    // Whether a change came since the last look; true when none can be watched for.
    bool Fired() {
        if (armed_ && !event_.Taken())
            return false;
        Arm();
        return true;
    }

private:
    void Close() {
        if (key_)
            ::RegCloseKey(key_);
        key_ = nullptr;
    }

    void Arm() {
        Close();
        bool subtree = true;
        DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
        if (::RegOpenKeyExW(root_, L"SOFTWARE\\Policies", 0, KEY_NOTIFY, &key_) != ERROR_SUCCESS) {
            key_ = nullptr;
            subtree = false;
            filter = REG_NOTIFY_CHANGE_NAME;
            if (::RegOpenKeyExW(root_, L"SOFTWARE", 0, KEY_NOTIFY, &key_) != ERROR_SUCCESS)
                key_ = nullptr;
        }
        armed_ =
            key_ && event_.Handle() &&
            ::RegNotifyChangeKeyValue(key_, subtree ? TRUE : FALSE, filter, event_.Handle(), TRUE) == ERROR_SUCCESS;
    }

    HKEY root_;
    HKEY key_ = nullptr;
    Event event_;
    bool armed_ = false;
};

class PolicyWatch {
public:
    std::uint64_t Count() {
        const std::lock_guard lock(mutex_);
        // Every one is looked at, so that each is reset.
        bool changed = false;
        for (const GroupPolicyNotification& notification : groupPolicy_)
            changed = notification.Fired() || changed;
        for (PoliciesKeyNotification& notification : keys_)
            changed = notification.Fired() || changed;
        if (changed)
            ++count_;
        return count_;
    }

private:
    std::mutex mutex_;
    std::array<GroupPolicyNotification, 2> groupPolicy_{GroupPolicyNotification(true), GroupPolicyNotification(false)};
    std::array<PoliciesKeyNotification, 2> keys_{PoliciesKeyNotification(HKEY_LOCAL_MACHINE),
                                                 PoliciesKeyNotification(HKEY_CURRENT_USER)};
    std::uint64_t count_ = 0;
};

} // namespace

std::uint64_t PolicyChangeCount() {
    static PolicyWatch watch;
    return watch.Count();
}

} // namespace prolamo::os
