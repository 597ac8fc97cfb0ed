// The network adapters a new machine is seeded with.

#include "os/simulated/AdapterStore.h"

namespace prolamo::os::simulated {

// A laptop at home: a wired adapter without a cable, switched off away from the office and still
// holding the office's static addresses, a wireless one on DHCP in the home network, and two
// hidden adapters without a connection.
std::vector<AdapterRecord> LaptopAdapters() {
    AdapterRecord wired;
    wired.index = 0;
    wired.description = "Intel(R) Ethernet Connection (7) I219-LM";
    wired.serviceName = "e1dexpress";
    wired.connectionName = "Ethernet";
    wired.guid = "{6B1F3C2A-9D44-4E7B-A1C0-5E2D8F7A3B10}";
    wired.macAddress = "3C:52:82:1A:7F:04";
    wired.ipEnabled = true;
    wired.dhcp = false;
    wired.addresses = {"10.20.30.41"};
    wired.masks = {"255.255.255.0"};
    wired.gateways = {"10.20.30.1"};
    wired.dnsServers = {"10.20.30.5", "10.20.30.6"};
    wired.winsServers = {"10.20.30.7"};
    wired.leaseAddress = "10.20.30.140";
    wired.leaseMask = "255.255.255.0";
    wired.leaseGateway = "10.20.30.1";
    wired.leaseDnsServers = {"10.20.30.5"};
    wired.leaseGatewayMac = "00:1D:A2:6E:41:01";
    wired.leaseDnsSuffix = "corp.example";

    AdapterRecord wireless;
    wireless.index = 1;
    wireless.description = "Intel(R) Wi-Fi 6 AX201 160MHz";
    wireless.serviceName = "Netwtw10";
    wireless.connectionName = "Wi-Fi";
    wireless.guid = "{C3A9E51D-2F86-4B0E-9D7A-41F0B6E28C55}";
    wireless.macAddress = "F8:5E:A0:3D:91:C2";
    wireless.enabled = true;
    wireless.ipEnabled = true;
    wireless.leaseAddress = "192.168.178.23";
    wireless.leaseMask = "255.255.255.0";
    wireless.leaseGateway = "192.168.178.1";
    wireless.leaseDnsServers = {"192.168.178.1"};
    wireless.wireless = true;
    wireless.mediaConnected = true;
    wireless.ssid = "FRITZ!Box 7590 QX";
    wireless.leaseGatewayMac = "3C:A6:2F:0B:5E:11";
    wireless.leaseDnsSuffix = "fritz.box";

    AdapterRecord wan;
    wan.index = 2;
    wan.description = "WAN Miniport (IP)";
    wan.serviceName = "NdisWan";
    wan.enabled = true;

    AdapterRecord debug;
    debug.index = 3;
    debug.description = "Microsoft Kernel Debug Network Adapter";
    debug.serviceName = "kdnic";
    debug.enabled = true;
    return {wired, wireless, wan, debug};
}

} // namespace prolamo::os::simulated
