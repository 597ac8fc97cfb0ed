USER_PREF("network.proxy.socks", "a\"b\\c");
user_pref("network.proxy.socks_port", 0x438);
user_pref("network.proxy.type", 4);
user_pref("network.proxy.ftp" , "x");
