user_pref("network.proxy.autoconfig_url", "http://wpad.corp.example/proxy.pac");
user_pref("network.proxy.type", 2);
