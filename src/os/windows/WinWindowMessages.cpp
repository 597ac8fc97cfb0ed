// Messages to other programs' windows (SendNotifyMessageW).

#include "os/WindowMessages.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

class WinWindowMessages final : public IWindowMessages {
public:
    ErrorCode SendNotifyMessage(HWnd window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override {
        return ::SendNotifyMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam)
                   ? ErrorSuccess
                   : windows::LastErrorOr(ErrorGenFailure);
    }
};

} // namespace

IWindowMessages& WindowMessages() {
    static WinWindowMessages messages;
    return messages;
}

} // namespace prolamo::os
