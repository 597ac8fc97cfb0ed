#pragma once
// What the programs and the switching service say to each other.
//   client  -> "PROLAMO-SWITCHING <version>\n", then the request: its size (4 bytes, little-endian)
//              and the request itself, a "Configurations" record of the data file's binary stream
//              holding one configuration with the settings to apply and one profile with their values.
//   service -> the same greeting (or a "refused" line), then reply lines, ending with "done" or
//              "refused". One request per connection. A reply line is its word, a space and its
//              text, whose sentences are keyed texts: the service runs without the user's
//              language, so the client tells them in its own.

#include "classes/uResultList.h"
#include "uProfileSettings.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo {

inline constexpr int ServiceProtocolVersion = 3;
inline constexpr std::size_t MaxServiceRequestSize = 1024 * 1024;
// The longest nesting a request may hold: a configuration, its profile, a value and its lists.
inline constexpr int MaxServiceRequestNesting = 16;
// How long either side waits for the other's next bytes.
inline constexpr std::uint32_t ServiceTimeoutMs = 10000;

// What the service applies, as flags.
enum TServiceKind : std::uint32_t {
    KindTcpIp = 1,         // addresses, masks, gateways, DNS and WINS servers, DHCP
    KindConnections = 2,   // a connection switched on or off
    KindResolverCache = 4, // the flush after a change of name resolution
    KindHostsFile = 8,     // the whole file, or a block of it
    KindMachineEnvironment = 16,
    KindWinHttpProxy = 32,
};
inline constexpr TServiceKind ServiceKinds[] = {KindTcpIp,     KindConnections,        KindResolverCache,
                                                KindHostsFile, KindMachineEnvironment, KindWinHttpProxy};
inline constexpr std::uint32_t AllServiceKinds =
    KindTcpIp | KindConnections | KindResolverCache | KindHostsFile | KindMachineEnvironment | KindWinHttpProxy;
// What Windows' own Network Configuration Operators may do.
inline constexpr std::uint32_t DefaultUserKinds = KindTcpIp | KindConnections | KindResolverCache;

// "TcpIp", "HostsFile" ...: the kind's name in the policy.
std::string ServiceKindName(TServiceKind kind);
// "TCP/IP settings", "the hosts file" ...: the kind in a sentence.
std::string ServiceKindText(TServiceKind kind);
// The kinds a setting's apply needs the service for; 0 for one the service never applies (a File
// setting, a printer, a user's environment variable ...).
std::uint32_t ServiceKindsOf(const TSetting& setting, const TSettingValue* value);
// Raises, before anything is applied, for a value of a setting the service applies that its kind
// would refuse or that belongs to another kind: a request's values are untrusted.
void CheckServiceValue(const TSetting& setting, const TSettingValue* value);

std::string ServiceGreeting();

// The request for Settings of Profile's configuration, with the profile's values of them.
std::vector<std::uint8_t> EncodeServiceRequest(const std::string& configurationName,
                                               const TConfigurationProfile& profile,
                                               std::span<TSetting* const> settings);

// Reads a request, which is untrusted: raises (EFilerError, EReadError ...) on anything but one
// configuration with one profile that the program could have made, within the size and nesting bounds.
std::unique_ptr<TConfigurations> ReadServiceRequest(std::span<const std::uint8_t> request);

struct TServiceReply {
    enum class Kind { Status, Step, Warning, Error, Done, Refused };
    Kind kind = Kind::Status;
    // Made where TKeyedTexts are in force.
    std::string text;
};

// The reply's text in the front end's language.
std::string ServiceReplyText(const TServiceReply& reply);
// One line, the line breaks and control characters of its text made spaces; keyed texts stay whole.
std::string FormatServiceReply(const TServiceReply& reply);
// Nothing for a line that is no reply.
std::optional<TServiceReply> ParseServiceReply(std::string_view line);

} // namespace prolamo
