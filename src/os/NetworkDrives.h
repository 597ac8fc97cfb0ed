#pragma once
// The script host's network object (WScript.Network, WshNetwork for IWshNetwork2), reduced to its
// drive calls. A failing call returns its HRESULT and fills the error information the object
// leaves, whose description is the system's text for the code.

#include "os/Errors.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os {

// What IErrorInfo tells about the last failure.
struct ErrorInfo {
    std::u16string Source;
    std::u16string Description;
};

class IWshNetwork {
public:
    virtual ~IWshNetwork() = default;

    // EnumNetworkDrives: the collection's items in order, local name and remote name by turns
    // ("H:", "\\server\share", ...).
    virtual HResult EnumNetworkDrives(std::vector<std::u16string>* items, ErrorInfo* error) = 0;
    // MapNetworkDrive(LocalName, RemoteName, UpdateProfile, UserName, Password); an empty
    // optional stands for an empty variant.
    virtual HResult MapNetworkDrive(std::u16string_view localName, std::u16string_view remoteName, bool updateProfile,
                                    const std::optional<std::u16string>& userName,
                                    const std::optional<std::u16string>& password, ErrorInfo* error) = 0;
    // RemoveNetworkDrive(Name, Force, UpdateProfile).
    virtual HResult RemoveNetworkDrive(std::u16string_view name, bool force, bool updateProfile, ErrorInfo* error) = 0;
};

// CoCreateInstance of WshNetwork {093FF999-1EA0-4079-9525-9614C3504B74}, in-process or local
// server, for IWshNetwork2 {24BE5A31-EDFE-11D2-B933-00104B365C9F}.
HResult CreateWshNetwork(std::unique_ptr<IWshNetwork>* network);

} // namespace prolamo::os
