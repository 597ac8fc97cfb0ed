<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Engine</name>
    <message>
        <source>Import it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Captured %1 into %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Captured %1 of %2 into %3; %4 could not be read: %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put back %1 of %2 as they were before its refresh at %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing will change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 setting will change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 settings will change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>will change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not captured</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: nothing is captured in this profile yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no errors</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 errors</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 warnings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files it writes or deletes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Applied %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Applying %1...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you really want to apply profile these settings?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingKinds</name>
    <message>
        <source>Environment variables</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User and system environment variables</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Any file on a local or network drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firefox proxy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firefox proxy settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Internet Explorer proxy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Internet Explorer proxy settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network drives</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hosts file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP addresses of frequently used remote hosts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TCP/IP settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP address, subnet mask, gateway, DNS and WINS settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opera proxy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opera proxy settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Others</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time zone</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>Prolamo configurations (*.txt);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo</name>
    <message>
        <source>The start-up entry HKEY_CURRENT_USER\%1 cannot be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The start-up entry HKEY_CURRENT_USER\%1 cannot be removed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The autostart entry %1 cannot be removed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The autostart entry %1 cannot be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Show changes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to delete &quot;%1&quot;?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh replaces what &quot;%1&quot; holds of these settings with what the machine holds now:

%2
Replace them?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is larger than %1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TDesktopSwitching</name>
    <message>
        <source>Automatic switching, %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic switching is paused.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic switching cannot take its lock: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic switching: another Prolamo program watches (process %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic switching: another Prolamo program watches.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic switching has no rules.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic switching is watching the network.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic switching cannot read its rules: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::THelpViewer</name>
    <message>
        <source>Prolamo Help</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TInForceCheck</name>
    <message>
        <source>Checking whether the machine still matches it...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No profile of this configuration has been applied yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Applied last: %1, %2
%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The profile no longer exists.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The machine still matches it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Whether the machine still matches it cannot be told: %1 cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The machine no longer matches it: %1 has changed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TProfileStates</name>
    <message>
        <source>Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>checking...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Now: %1
After an apply: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TTrayIcon</name>
    <message>
        <source>Undo last apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switching rules...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause automatic switching</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show main window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start with the session</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Prolamo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
Choose &quot;Undo last apply&quot; in this menu to undo it.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmAbout</name>
    <message>
        <source>Prolamo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Prolamo</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmBaseDlg</name>
    <message>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditConfiguration</name>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration items</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Available items</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Item categories</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditItemsDlg</name>
    <message>
        <source>Items</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditProfile</name>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Refresh value(s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh value(s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh a&amp;ll values</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh all values</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete value(s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete value(s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A&amp;pply value(s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply value(s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply all &amp;values</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply all values</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo last refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo last refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Values</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditRule</name>
    <message>
        <source>&amp;Ask before applying</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Con&amp;figuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cond&amp;itions, all of which must hold</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Use this network</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conditions that hold on the network the computer is on now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ne&amp;w</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value of the new condition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A&amp;dd</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add the condition written on the left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove the selected condition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The network cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no adapter has a gateway</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmMain</name>
    <message>
        <source>&amp;Settings of the profile, and what an apply would do</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Welcome. A configuration names settings of this computer that you switch together, such as the network settings; each of its profiles keeps their values for one place, such as at home or at the office.

To begin, make a new configuration, or import one that was exported on another computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Left alone:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>H&amp;elp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Refresh profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Apply profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;What will change...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>What an apply of the profile would change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo last apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put back what the machine held before the last apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo last re&amp;fresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put back the values the last refresh replaced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Export configuration...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the configuration with its profiles as text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import configurations...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add the configurations of an exported text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration (e.g. &quot;Network settings&quot;)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration actions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration profile (e.g. &quot;Network settings at home&quot;)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile actions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile in force</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;onfigurations</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Profiles</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data file %1 cannot be read: %2

It was left as it is; &quot;prolamo-cli datafile dump&quot; shows how far it can be read. %3 will close.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The history file %1 cannot be read: %2

It was left as it is; nothing can be applied or undone until it is mended or removed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1.

Your changes are kept in this window and saved as soon as the data file is free.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data file %1 cannot be read or saved: %2

Your changes are kept in this window and saved as soon as it can be.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exported %1 to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

Import it under a new name?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Imported %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Switching</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Rules...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The rules that apply a profile by the network the computer is on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Pause automatic switching</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You are logged as a user that is not a member Administrator&apos;s group.<byte value="xd"/>
Some settings may require administrative privileges</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmPreview</name>
    <message>
        <source>1 line</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 lines</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>What will change: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply this profile now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>After</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a setting of several lines to see them removed and added</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 removed, %3 added</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmProgress</name>
    <message>
        <source>Please wait...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo last apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put back what the machine held before this run</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Details</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a line to read it whole</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy &amp;all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmRules</name>
    <message>
        <source>&amp;Pause automatic switching</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switching rules</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit the rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete the rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &amp;up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try the rule before the one above it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move do&amp;wn</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try the rule after the one below it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Test now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Which rule matches the network the computer is on now, and why</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Rules, tried in order: the first that matches applies its profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conditions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Which rule matches the network the computer is on now:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test now shows each rule with its conditions, and which one applies.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another program changed the rules; the list shows them as they are now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2), asks first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another program changed the rules meanwhile; the list shows them as they are now. Make your change again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
