#pragma once
// Window messages sent to other programs (SendNotifyMessageW).

#include "os/Errors.h"

#include <cstdint>

namespace prolamo::os {

using HWnd = std::uintptr_t;

inline constexpr HWnd HWndBroadcast = 0xFFFF;
inline constexpr std::uint32_t WmSettingChange = 0x001A;

class IWindowMessages {
public:
    virtual ~IWindowMessages() = default;

    // SendNotifyMessageW: posts without waiting for the receivers.
    virtual ErrorCode SendNotifyMessage(HWnd window, std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) = 0;
};

IWindowMessages& WindowMessages();

} // namespace prolamo::os
