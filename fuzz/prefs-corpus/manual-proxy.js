// Mozilla User Preferences

user_pref("browser.startup.homepage", "https://intranet.corp.example/");
user_pref("network.proxy.http", "proxy.corp.example");
user_pref("network.proxy.http_port", 8080);
user_pref("network.proxy.no_proxies_on", "localhost, 127.0.0.1");
user_pref("network.proxy.share_proxy_settings", true);
user_pref("network.proxy.type", 1);
