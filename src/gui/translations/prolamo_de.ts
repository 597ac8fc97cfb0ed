<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Engine</name>
    <message>
        <source>Import it?</source>
        <translation>Importieren?</translation>
    </message>
    <message>
        <source>Captured %1 into %2</source>
        <translation>%1 in %2 erfasst</translation>
    </message>
    <message>
        <source>Captured %1 of %2 into %3; %4 could not be read: %5</source>
        <translation>%1 von %2 in %3 erfasst; %4 konnte nicht gelesen werden: %5</translation>
    </message>
    <message>
        <source>Put back %1 of %2 as they were before its refresh at %3</source>
        <translation>%1 von %2 so zurückgesetzt, wie sie vor der Aktualisierung um %3 waren</translation>
    </message>
    <message>
        <source>Nothing will change</source>
        <translation>Nichts wird sich ändern</translation>
    </message>
    <message>
        <source>%1 setting will change</source>
        <translation>%1 Einstellung wird sich ändern</translation>
    </message>
    <message>
        <source>%1 settings will change</source>
        <translation>%1 Einstellungen werden sich ändern</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>unverändert</translation>
    </message>
    <message>
        <source>will change</source>
        <translation>wird geändert</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>nicht lesbar</translation>
    </message>
    <message>
        <source>not captured</source>
        <translation>nicht erfasst</translation>
    </message>
    <message>
        <source>%1 setting</source>
        <translation>%1 Einstellung</translation>
    </message>
    <message>
        <source>%1 settings</source>
        <translation>%1 Einstellungen</translation>
    </message>
    <message>
        <source>%1: nothing is captured in this profile yet</source>
        <translation>%1: In diesem Profil ist noch nichts erfasst</translation>
    </message>
    <message>
        <source>no errors</source>
        <translation>keine Fehler</translation>
    </message>
    <message>
        <source>%1 error</source>
        <translation>%1 Fehler</translation>
    </message>
    <message>
        <source>%1 errors</source>
        <translation>%1 Fehler</translation>
    </message>
    <message>
        <source>%1 warning</source>
        <translation>%1 Warnung</translation>
    </message>
    <message>
        <source>%1 warnings</source>
        <translation>%1 Warnungen</translation>
    </message>
    <message>
        <source>Files it writes or deletes:</source>
        <translation>Dateien, die dabei geschrieben oder gelöscht werden:</translation>
    </message>
    <message>
        <source>Applied %1</source>
        <translation>%1 angewendet</translation>
    </message>
    <message>
        <source>Applying %1...</source>
        <translation>%1 wird angewendet...</translation>
    </message>
    <message>
        <source>Do you really want to apply profile these settings?</source>
        <translation>Wollen Sie diese Einstellungen des Profils wirklich anwenden?</translation>
    </message>
    <message>
        <source>gateway hardware address</source>
        <translation>Hardware-Adresse des Gateways</translation>
    </message>
    <message>
        <source>gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>wireless network</source>
        <translation>Drahtlosnetzwerk</translation>
    </message>
    <message>
        <source>DNS suffix</source>
        <translation>DNS-Suffix</translation>
    </message>
    <message>
        <source>address in</source>
        <translation>Adresse in</translation>
    </message>
    <message>
        <source>no network</source>
        <translation>kein Netzwerk</translation>
    </message>
    <message>
        <source>apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <source>undo</source>
        <translation>Rückgängigmachen</translation>
    </message>
    <message>
        <source>refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>the %1 of %2 (%3) at %4</source>
        <translation>das %1 von %2 (%3) um %4</translation>
    </message>
    <message>
        <source>%1: its state could not be read before the %2: %3</source>
        <translation>%1: Der Zustand konnte vor dem %2 nicht gelesen werden: %3</translation>
    </message>
    <message>
        <source>%1: the setting no longer exists</source>
        <translation>%1: Die Einstellung gibt es nicht mehr</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>Rückgängig machen: %1</translation>
    </message>
    <message>
        <source>Undid the %1 of %2</source>
        <translation>%1 von %2 rückgängig gemacht</translation>
    </message>
    <message>
        <source> (configuration %1)</source>
        <translation> (Konfiguration %1)</translation>
    </message>
    <message>
        <source>Its File settings write outside your own folder %1:</source>
        <translation>Seine Datei-Einstellungen schreiben außerhalb Ihres eigenen Ordners %1:</translation>
    </message>
    <message>
        <source>Its Program settings run:</source>
        <translation>Seine Programm-Einstellungen führen aus:</translation>
    </message>
    <message>
        <source>will run</source>
        <translation>wird ausgeführt</translation>
    </message>
    <message>
        <source>Programs it runs:</source>
        <translation>Programme, die es ausführt:</translation>
    </message>
    <message>
        <source>Administrator</source>
        <translation>Administrator mit allen Rechten</translation>
    </message>
    <message>
        <source>Administrator without elevation</source>
        <translation>Administrator ohne erhöhte Rechte</translation>
    </message>
    <message>
        <source>Standard user with the switching service</source>
        <translation>Standardbenutzer mit dem Umschaltdienst</translation>
    </message>
    <message>
        <source>Standard user without the switching service</source>
        <translation>Standardbenutzer ohne den Umschaltdienst</translation>
    </message>
    <message>
        <source>this program applies every setting itself.</source>
        <translation>dieses Programm wendet jede Einstellung selbst an.</translation>
    </message>
    <message>
        <source>the TCP/IP settings, network connections, the hosts file, machine environment variables and the WinHTTP proxy go to the switching service when it runs; without it they fail until the program is started as an administrator.</source>
        <translation>die TCP/IP-Einstellungen, Netzwerkverbindungen, die Hosts-Datei, die Umgebungsvariablen des Computers und der WinHTTP-Proxy gehen an den Umschaltdienst, wenn er läuft; ohne ihn schlagen sie fehl, bis das Programm als Administrator gestartet wird.</translation>
    </message>
    <message>
        <source>the service applies the TCP/IP settings and network connections for you, and what else the machine&apos;s policy allows; other settings that need administrator rights fail.</source>
        <translation>der Dienst wendet die TCP/IP-Einstellungen und Netzwerkverbindungen für Sie an, und was die Richtlinie des Computers sonst erlaubt; andere Einstellungen, die Administratorrechte brauchen, schlagen fehl.</translation>
    </message>
    <message>
        <source>the TCP/IP settings, network connections, the hosts file, machine environment variables and the WinHTTP proxy fail until an administrator starts the Prolamo switching service.</source>
        <translation>die TCP/IP-Einstellungen, Netzwerkverbindungen, die Hosts-Datei, die Umgebungsvariablen des Computers und der WinHTTP-Proxy schlagen fehl, bis ein Administrator den Prolamo-Umschaltdienst startet.</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Invalid filename</source>
        <translation>Ungültiger Dateiname</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Zu viele offene Dateien</translation>
    </message>
    <message>
        <source>File access denied</source>
        <translation>Dateizugriff verweigert</translation>
    </message>
    <message>
        <source>Read beyond end of file</source>
        <translation>Lesen über das Dateiende hinaus</translation>
    </message>
    <message>
        <source>Disk full</source>
        <translation>Datenträger voll</translation>
    </message>
    <message>
        <source>Invalid numeric input</source>
        <translation>Ungültige numerische Eingabe</translation>
    </message>
    <message>
        <source>I/O error %1</source>
        <translation>E/A-Fehler %1</translation>
    </message>
    <message>
        <source>System Error.  Code: %1.</source>
        <translation>Systemfehler.  Code: %1.</translation>
    </message>
    <message>
        <source>Check that the folder exists and that its drive is connected</source>
        <translation>Prüfen Sie, ob der Ordner existiert und sein Laufwerk verbunden ist</translation>
    </message>
    <message>
        <source>You may need administrative rights: start Prolamo as administrator and try again</source>
        <translation>Sie brauchen möglicherweise Administratorrechte: Starten Sie Prolamo als Administrator und versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>Close the program that has the file open and try again</source>
        <translation>Schließen Sie das Programm, das die Datei geöffnet hat, und versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>Free some space on the disk and try again</source>
        <translation>Geben Sie Platz auf dem Datenträger frei und versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>Your account lacks the right this needs: start Prolamo as administrator and try again</source>
        <translation>Ihrem Konto fehlt das dafür nötige Recht: Starten Sie Prolamo als Administrator und versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>OLE error %1</source>
        <translation>OLE-Fehler %1</translation>
    </message>
    <message>
        <source>A call to an OS function failed</source>
        <translation>Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>You may need administrative privileges</source>
        <translation>Sie brauchen möglicherweise Administratorrechte</translation>
    </message>
    <message>
        <source>A configuration named %1 exists already</source>
        <translation>Eine Konfiguration namens %1 gibt es bereits</translation>
    </message>
    <message>
        <source>%1 is not a name an environment variable can have (it is empty or blank, or holds &quot;=&quot; or a control character)</source>
        <translation>%1 ist kein Name, den eine Umgebungsvariable haben kann (er ist leer oder besteht nur aus Leerzeichen, oder er enthält &quot;=&quot; oder ein Steuerzeichen)</translation>
    </message>
    <message>
        <source>The variable %1 is not a text in the registry but a value of another type; it is not captured</source>
        <translation>Die Variable %1 ist in der Registrierung kein Text, sondern ein Wert eines anderen Typs; sie wird nicht erfasst</translation>
    </message>
    <message>
        <source>The variable %1 is not a text in the registry but a value of another type; it is left as it is</source>
        <translation>Die Variable %1 ist in der Registrierung kein Text, sondern ein Wert eines anderen Typs; sie bleibt, wie sie ist</translation>
    </message>
    <message>
        <source>The variable %1 is not set for the user; it is not captured</source>
        <translation>Die Variable %1 ist für den Benutzer nicht gesetzt; sie wird nicht erfasst</translation>
    </message>
    <message>
        <source>The variable %1 is not set for the machine; it is not captured</source>
        <translation>Die Variable %1 ist für den Computer nicht gesetzt; sie wird nicht erfasst</translation>
    </message>
    <message>
        <source>No file</source>
        <translation>Keine Datei</translation>
    </message>
    <message>
        <source>Empty file</source>
        <translation>Leere Datei</translation>
    </message>
    <message>
        <source>Binary file</source>
        <translation>Binärdatei</translation>
    </message>
    <message>
        <source>%1 is a folder, not a file</source>
        <translation>%1 ist ein Ordner, keine Datei</translation>
    </message>
    <message>
        <source>%1 is a device, a pipe or a socket, not a file; it is neither read nor written</source>
        <translation>%1 ist ein Gerät, eine Pipe oder ein Socket, keine Datei; es wird weder gelesen noch geschrieben</translation>
    </message>
    <message>
        <source>%1: %2 was left as it was</source>
        <translation>%1: %2 ist geblieben, wie es war</translation>
    </message>
    <message>
        <source>%1: %2 could not be put back as it was</source>
        <translation>%1: %2 konnte nicht wiederhergestellt werden, wie es war</translation>
    </message>
    <message>
        <source>%1 is larger than the 2 GB a File setting can hold</source>
        <translation>%1 ist größer als die 2 GB, die eine Datei-Einstellung aufnehmen kann</translation>
    </message>
    <message>
        <source>%1 is a link to %2; an apply writes only the path it names, never through a link to another file</source>
        <translation>%1 ist eine Verknüpfung auf %2; das Anwenden schreibt nur den genannten Pfad, nie über eine Verknüpfung in eine andere Datei</translation>
    </message>
    <message>
        <source>%1 is a link whose target cannot be found; an apply writes only the path it names, never through a link</source>
        <translation>%1 ist eine Verknüpfung, deren Ziel nicht gefunden wird; das Anwenden schreibt nur den genannten Pfad, nie über eine Verknüpfung</translation>
    </message>
    <message>
        <source>%1: the path is relative, so it would be written wherever the program happens to run; a file path must be absolute</source>
        <translation>%1: Der Pfad ist relativ und würde daher dort geschrieben, wo das Programm gerade läuft; ein Dateipfad muss absolut sein</translation>
    </message>
    <message>
        <source>%1: the path goes up with &quot;..&quot;, which hides where it writes; a file path must be normal</source>
        <translation>%1: Der Pfad geht mit &quot;..&quot; nach oben, was verbirgt, wohin er schreibt; ein Dateipfad muss normalisiert sein</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Datei &quot;%1&quot; kann nicht erstellt werden. %2</translation>
    </message>
    <message>
        <source>Firefox profile not found</source>
        <translation>Firefox-Profil nicht gefunden</translation>
    </message>
    <message>
        <source>The preference %1 cannot be written as one well-formed user_pref line; it is left out</source>
        <translation>Die Einstellung %1 lässt sich nicht als eine wohlgeformte user_pref-Zeile schreiben; sie wird ausgelassen</translation>
    </message>
    <message>
        <source>The preference %1 is not a proxy preference; it is left out</source>
        <translation>Die Einstellung %1 ist keine Proxy-Einstellung; sie wird ausgelassen</translation>
    </message>
    <message>
        <source>The preference %1 has &quot;=&quot; in its name, which the value cannot hold; it is not captured</source>
        <translation>Die Einstellung %1 hat &quot;=&quot; im Namen, was der Wert nicht aufnehmen kann; sie wird nicht erfasst</translation>
    </message>
    <message>
        <source>No entries</source>
        <translation>Keine Einträge</translation>
    </message>
    <message>
        <source>%1 cannot name a block of the hosts file: a name is not empty, holds no control character and neither starts nor ends with a blank</source>
        <translation>%1 kann keinen Block der hosts-Datei benennen: Ein Name ist nicht leer, enthält kein Steuerzeichen und beginnt und endet nicht mit einem Leerzeichen</translation>
    </message>
    <message>
        <source>The hosts file&apos;s block %1 begins on line %2 but never ends</source>
        <translation>Der Block %1 der hosts-Datei beginnt in Zeile %2, endet aber nie</translation>
    </message>
    <message>
        <source>The hosts file&apos;s block %1 ends on line %2 but never begins</source>
        <translation>Der Block %1 der hosts-Datei endet in Zeile %2, beginnt aber nie</translation>
    </message>
    <message>
        <source>The hosts file holds the block %1 twice, from line %2 and from line %3</source>
        <translation>Die hosts-Datei enthält den Block %1 zweimal, ab Zeile %2 und ab Zeile %3</translation>
    </message>
    <message>
        <source>The entry %1 cannot be written to the hosts file: it holds a control character, or it would read as a block&apos;s marker line</source>
        <translation>Der Eintrag %1 kann nicht in die hosts-Datei geschrieben werden: Er enthält ein Steuerzeichen oder würde als Markierungszeile eines Blocks gelesen</translation>
    </message>
    <message>
        <source>Error deleting network drive %1 %2</source>
        <translation>Fehler beim Löschen des Netzlaufwerks %1 %2</translation>
    </message>
    <message>
        <source>Error installing network drive %1 %2</source>
        <translation>Fehler beim Verbinden des Netzlaufwerks %1 %2</translation>
    </message>
    <message>
        <source>Network drive %1 keeps its previous mapping %2</source>
        <translation>Das Netzlaufwerk %1 behält seine bisherige Zuordnung %2</translation>
    </message>
    <message>
        <source>Error restoring network drive %1 %2</source>
        <translation>Fehler beim Wiederherstellen des Netzlaufwerks %1 %2</translation>
    </message>
    <message>
        <source>IP address</source>
        <translation>IP-Adresse</translation>
    </message>
    <message>
        <source>subnet mask</source>
        <translation>Subnetzmaske</translation>
    </message>
    <message>
        <source>WINS server</source>
        <translation>WINS-Server</translation>
    </message>
    <message>
        <source>DNS server</source>
        <translation>DNS-Server</translation>
    </message>
    <message>
        <source>Property &quot;%1&quot; not supported</source>
        <translation>Eigenschaft &quot;%1&quot; wird nicht unterstützt</translation>
    </message>
    <message>
        <source>The connection name holds a double quote or a control character; no script is written for it</source>
        <translation>Der Name der Verbindung enthält ein doppeltes Anführungszeichen oder ein Steuerzeichen; für sie wird kein Skript geschrieben</translation>
    </message>
    <message>
        <source>The %1 entry %2 is not a dotted IPv4 address; no script is written for the adapter</source>
        <translation>Der Eintrag %2 (%1) ist keine IPv4-Adresse in Punktschreibweise; für den Adapter wird kein Skript geschrieben</translation>
    </message>
    <message>
        <source>Opera profile not found</source>
        <translation>Opera-Profil nicht gefunden</translation>
    </message>
    <message>
        <source>Unable to write to %1</source>
        <translation>In %1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>The line %1 would not stay one key of the section (a line break, no key, or a key that starts a section or a comment); it is not written</source>
        <translation>Die Zeile %1 bliebe kein einzelner Schlüssel des Abschnitts (ein Zeilenumbruch, kein Schlüssel oder ein Schlüssel, der einen Abschnitt oder Kommentar beginnt); sie wird nicht geschrieben</translation>
    </message>
    <message>
        <source>The key %1 stands twice; only its first value is written</source>
        <translation>Der Schlüssel %1 steht zweimal; nur sein erster Wert wird geschrieben</translation>
    </message>
    <message>
        <source>Error installing printer %1: %2</source>
        <translation>Fehler beim Verbinden des Druckers %1: %2</translation>
    </message>
    <message>
        <source>Error deleting printer %1: %2</source>
        <translation>Fehler beim Löschen des Druckers %1: %2</translation>
    </message>
    <message>
        <source>Name resolver cache</source>
        <translation>Cache der Namensauflösung</translation>
    </message>
    <message>
        <source>a program has no state to read back: an undo cannot take back what it did, so it does not run it again</source>
        <translation>ein Programm hat keinen Zustand, der sich zurücklesen lässt: Ein Rückgängigmachen kann nicht zurücknehmen, was es getan hat, und führt es daher nicht noch einmal aus</translation>
    </message>
    <message>
        <source>Runs when the profile is applied</source>
        <translation>Läuft, wenn das Profil angewendet wird</translation>
    </message>
    <message>
        <source>A Program setting needs the command line it runs</source>
        <translation>Eine Programm-Einstellung braucht die Befehlszeile, die sie ausführt</translation>
    </message>
    <message>
        <source>The command line of a Program setting holds a control character, which would hide what it runs</source>
        <translation>Die Befehlszeile einer Programm-Einstellung enthält ein Steuerzeichen, das verbergen würde, was sie ausführt</translation>
    </message>
    <message>
        <source>The working folder of a Program setting holds a control character, which would hide what it runs</source>
        <translation>Der Arbeitsordner einer Programm-Einstellung enthält ein Steuerzeichen, das verbergen würde, was sie ausführt</translation>
    </message>
    <message>
        <source>The working folder of a Program setting must be an absolute path without &quot;..&quot;, not %1</source>
        <translation>Der Arbeitsordner einer Programm-Einstellung muss ein absoluter Pfad ohne &quot;..&quot; sein, nicht %1</translation>
    </message>
    <message>
        <source>The time limit of a Program setting is 1 to 86400 seconds, not %1</source>
        <translation>Die Zeitgrenze einer Programm-Einstellung beträgt 1 bis 86400 Sekunden, nicht %1</translation>
    </message>
    <message>
        <source>cannot be started: %1</source>
        <translation>kann nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>ended with exit code %1</source>
        <translation>endete mit dem Exit-Code %1</translation>
    </message>
    <message>
        <source>was still running after its time limit of %1 s and was ended</source>
        <translation>lief nach seiner Zeitgrenze von %1 s noch und wurde beendet</translation>
    </message>
    <message>
        <source>%1; the last lines it printed:</source>
        <translation>%1; die letzten Zeilen seiner Ausgabe:</translation>
    </message>
    <message>
        <source>The switching service did not answer</source>
        <translation>Der Umschaltdienst hat nicht geantwortet</translation>
    </message>
    <message>
        <source>The switching service ended the request before it was done</source>
        <translation>Der Umschaltdienst hat die Anfrage beendet, bevor sie erledigt war</translation>
    </message>
    <message>
        <source>The elevated program ended before it was done (exit code %1)</source>
        <translation>Das Programm mit erhöhten Rechten endete, bevor es fertig war (Exit-Code %1)</translation>
    </message>
    <message>
        <source>Applying through the switching service...</source>
        <translation>Wird über den Umschaltdienst angewendet...</translation>
    </message>
    <message>
        <source>%1?

The switching service does not run, and these settings need administrator rights:</source>
        <translation>%1?

Der Umschaltdienst läuft nicht, und diese Einstellungen brauchen Administratorrechte:</translation>
    </message>
    <message>
        <source>Switching service</source>
        <translation>Umschaltdienst</translation>
    </message>
    <message>
        <source>This needs administrator rights, and the switching service does not run: an administrator can start the Prolamo switching service, or apply as an administrator</source>
        <translation>Dies braucht Administratorrechte, und der Umschaltdienst läuft nicht: Ein Administrator kann den Prolamo-Umschaltdienst starten oder als Administrator anwenden</translation>
    </message>
    <message>
        <source>Apply with administrator rights</source>
        <translation>Mit Administratorrechten anwenden</translation>
    </message>
    <message>
        <source>This needs administrator rights, and it was not applied with them; the switching service does not run</source>
        <translation>Dies braucht Administratorrechte und wurde nicht mit ihnen angewendet; der Umschaltdienst läuft nicht</translation>
    </message>
    <message>
        <source>The time zone name &quot;%1&quot; is longer than 31 characters</source>
        <translation>Der Name der Zeitzone &quot;%1&quot; ist länger als 31 Zeichen</translation>
    </message>
    <message>
        <source>proxy server</source>
        <translation>Proxyserver</translation>
    </message>
    <message>
        <source>bypass list</source>
        <translation>Umgehungsliste</translation>
    </message>
    <message>
        <source>Direct access (no proxy server)</source>
        <translation>Direkter Zugriff (kein Proxyserver)</translation>
    </message>
    <message>
        <source>A WinHTTP proxy that is used needs its proxy server</source>
        <translation>Ein WinHTTP-Proxy, der verwendet wird, braucht seinen Proxyserver</translation>
    </message>
    <message>
        <source>The WinHTTP %1 %2 cannot be set: it holds a control character or is longer than 4096 characters</source>
        <translation>WinHTTP: %2 (%1) kann nicht gesetzt werden: Der Wert enthält ein Steuerzeichen oder ist länger als 4096 Zeichen</translation>
    </message>
    <message>
        <source>No wireless adapter</source>
        <translation>Kein Drahtlosadapter</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>nicht verbunden</translation>
    </message>
    <message>
        <source>%1: the wireless network %2 is not in range</source>
        <translation>%1: Das Drahtlosnetzwerk %2 ist nicht in Reichweite</translation>
    </message>
    <message>
        <source>%1: there is no such wireless adapter, or it is switched off</source>
        <translation>%1: Diesen Drahtlosadapter gibt es nicht, oder er ist ausgeschaltet</translation>
    </message>
    <message>
        <source>%1 cannot name a wireless adapter or network: it is empty or holds a control character</source>
        <translation>%1 kann keinen Drahtlosadapter und kein Drahtlosnetzwerk benennen: Der Name ist leer oder enthält ein Steuerzeichen</translation>
    </message>
    <message>
        <source>wireless network %1</source>
        <translation>Drahtlosnetzwerk %1</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>gateway %1</source>
        <translation>Gateway %1</translation>
    </message>
    <message>
        <source>DNS suffix %1</source>
        <translation>DNS-Suffix %1</translation>
    </message>
    <message>
        <source>%1 has it</source>
        <translation>%1 hat es</translation>
    </message>
    <message>
        <source>%1 has the gateway %2</source>
        <translation>%1 hat das Gateway %2</translation>
    </message>
    <message>
        <source>no adapter is connected</source>
        <translation>kein Adapter ist verbunden</translation>
    </message>
    <message>
        <source>no connected adapter has a gateway</source>
        <translation>kein verbundener Adapter hat ein Gateway</translation>
    </message>
    <message>
        <source>%1&apos;s gateway %2 has it</source>
        <translation>das Gateway %2 von %1 hat sie</translation>
    </message>
    <message>
        <source>%1 is connected to it</source>
        <translation>%1 ist damit verbunden</translation>
    </message>
    <message>
        <source>%1 has %2</source>
        <translation>%1 hat %2</translation>
    </message>
    <message>
        <source>no connected adapter has it</source>
        <translation>kein verbundener Adapter hat es</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Netzwerk</translation>
    </message>
    <message>
        <source>Rules</source>
        <translation>Regeln</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>%1 matches</source>
        <translation>%1 passt</translation>
    </message>
    <message>
        <source>%1 does not match</source>
        <translation>%1 passt nicht</translation>
    </message>
    <message>
        <source>No rule matches: the watcher applies nothing.</source>
        <translation>Keine Regel passt: Das automatische Umschalten wendet nichts an.</translation>
    </message>
    <message>
        <source>Rule %1 is the first that matches: the watcher asks to apply profile %2 of configuration %3.</source>
        <translation>Die Regel %1 passt als erste: Das automatische Umschalten fragt, ob es das Profil %2 der Konfiguration %3 anwenden soll.</translation>
    </message>
    <message>
        <source>Rule %1 is the first that matches: the watcher applies profile %2 of configuration %3.</source>
        <translation>Die Regel %1 passt als erste: Das automatische Umschalten wendet das Profil %2 der Konfiguration %3 an.</translation>
    </message>
    <message>
        <source>That profile does not exist; the watcher reports it and applies nothing.</source>
        <translation>Dieses Profil gibt es nicht; das automatische Umschalten meldet das und wendet nichts an.</translation>
    </message>
    <message>
        <source>The configuration %1 holds two settings with the Id %2</source>
        <translation>Die Konfiguration %1 enthält zwei Einstellungen mit der Id %2</translation>
    </message>
    <message>
        <source>The configuration %1, setting %2: %3</source>
        <translation>Die Konfiguration %1, Einstellung %2: %3</translation>
    </message>
    <message>
        <source>The configuration %1, setting %2</source>
        <translation>Die Konfiguration %1, Einstellung %2</translation>
    </message>
    <message>
        <source>The configuration %1: %2</source>
        <translation>Die Konfiguration %1: %2</translation>
    </message>
    <message>
        <source>The configuration %1 holds two profiles named %2</source>
        <translation>Die Konfiguration %1 enthält zwei Profile namens %2</translation>
    </message>
    <message>
        <source>The text holds a %1, not configurations</source>
        <translation>Der Text enthält ein %1, keine Konfigurationen</translation>
    </message>
    <message>
        <source>The text goes on after its record</source>
        <translation>Der Text geht nach seinem Datensatz weiter</translation>
    </message>
    <message>
        <source>The configurations record holds other records</source>
        <translation>Der Datensatz der Konfigurationen enthält andere Datensätze</translation>
    </message>
    <message>
        <source>Auto-detect proxy configuration</source>
        <translation>Proxy-Einstellungen automatisch erkennen</translation>
    </message>
    <message>
        <source>Automatic proxy configuration</source>
        <translation>Automatische Proxy-Konfiguration</translation>
    </message>
    <message>
        <source>No proxy</source>
        <translation>Kein Proxy</translation>
    </message>
    <message>
        <source>Automatically detect settings</source>
        <translation>Einstellungen automatisch erkennen</translation>
    </message>
    <message>
        <source>Use automatic configuration script (%1)</source>
        <translation>Automatisches Konfigurationsskript verwenden (%1)</translation>
    </message>
    <message>
        <source>Use proxy server &quot;%1&quot;</source>
        <translation>Proxyserver &quot;%1&quot; verwenden</translation>
    </message>
    <message>
        <source>Do not use proxy for &quot;%1&quot;</source>
        <translation>Keinen Proxy verwenden für &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Automatic proxy configuration: %1</source>
        <translation>Automatische Proxy-Konfiguration: %1</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>unknown condition %1; the conditions are %2</source>
        <translation>unbekannte Bedingung %1; die Bedingungen sind %2</translation>
    </message>
    <message>
        <source>%1 needs %2, not %3</source>
        <translation>%1 braucht %2, nicht %3</translation>
    </message>
    <message>
        <source>a hardware address such as 00:1D:A2:6E:41:01</source>
        <translation>eine Hardwareadresse wie 00:1D:A2:6E:41:01</translation>
    </message>
    <message>
        <source>an IPv4 address such as 192.168.1.1</source>
        <translation>eine IPv4-Adresse wie 192.168.1.1</translation>
    </message>
    <message>
        <source>a wireless network&apos;s name of 1 to 32 bytes, without control characters or spaces at its ends</source>
        <translation>den Namen eines Drahtlosnetzwerks aus 1 bis 32 Bytes, ohne Steuerzeichen und ohne Leerzeichen an seinen Enden</translation>
    </message>
    <message>
        <source>a DNS suffix such as corp.example</source>
        <translation>ein DNS-Suffix wie corp.example</translation>
    </message>
    <message>
        <source>an address range such as 10.20.0.0/16</source>
        <translation>einen Adressbereich wie 10.20.0.0/16</translation>
    </message>
    <message>
        <source>no-network takes no value</source>
        <translation>no-network nimmt keinen Wert</translation>
    </message>
    <message>
        <source>profile %1 of %2</source>
        <translation>Profil %1 von %2</translation>
    </message>
    <message>
        <source>the rule %1 names %2, which does not exist</source>
        <translation>die Regel %1 nennt %2, das es nicht gibt</translation>
    </message>
    <message>
        <source>there is no rule named %1</source>
        <translation>es gibt keine Regel namens %1</translation>
    </message>
    <message>
        <source>a rule named %1 already exists</source>
        <translation>eine Regel namens %1 gibt es schon</translation>
    </message>
    <message>
        <source>a rule needs a name</source>
        <translation>eine Regel braucht einen Namen</translation>
    </message>
    <message>
        <source>the name %1 has a control character or a space at an end, which the rules file cannot keep</source>
        <translation>der Name %1 hat ein Steuerzeichen oder ein Leerzeichen an einem Ende, was die Regeldatei nicht halten kann</translation>
    </message>
    <message>
        <source>the rule name %1 has a bracket, which the rules file cannot keep</source>
        <translation>der Regelname %1 hat eine eckige Klammer, was die Regeldatei nicht halten kann</translation>
    </message>
    <message>
        <source>a rule needs a configuration</source>
        <translation>eine Regel braucht eine Konfiguration</translation>
    </message>
    <message>
        <source>the configuration %1 has a control character or a space at an end, which the rules file cannot keep</source>
        <translation>die Konfiguration %1 hat ein Steuerzeichen oder ein Leerzeichen an einem Ende, was die Regeldatei nicht halten kann</translation>
    </message>
    <message>
        <source>a rule needs a profile</source>
        <translation>eine Regel braucht ein Profil</translation>
    </message>
    <message>
        <source>the profile %1 has a control character or a space at an end, which the rules file cannot keep</source>
        <translation>das Profil %1 hat ein Steuerzeichen oder ein Leerzeichen an einem Ende, was die Regeldatei nicht halten kann</translation>
    </message>
    <message>
        <source>the rule %1 has no condition; it needs at least one</source>
        <translation>die Regel %1 hat keine Bedingung; sie braucht mindestens eine</translation>
    </message>
    <message>
        <source>the file is larger than %1 bytes</source>
        <translation>die Datei ist größer als %1 Bytes</translation>
    </message>
    <message>
        <source>the rule %1 needs a profile</source>
        <translation>die Regel %1 braucht ein Profil</translation>
    </message>
    <message>
        <source>the rule %1 needs a configuration</source>
        <translation>die Regel %1 braucht eine Konfiguration</translation>
    </message>
    <message>
        <source>longer than %1 characters</source>
        <translation>länger als %1 Zeichen</translation>
    </message>
    <message>
        <source>holds a control character</source>
        <translation>enthält ein Steuerzeichen</translation>
    </message>
    <message>
        <source>a rule&apos;s heading is its name in brackets, such as [Office]</source>
        <translation>die Überschrift einer Regel ist ihr Name in eckigen Klammern, etwa [Office]</translation>
    </message>
    <message>
        <source>a second rule named %1</source>
        <translation>eine zweite Regel namens %1</translation>
    </message>
    <message>
        <source>a line before the first rule&apos;s heading</source>
        <translation>eine Zeile vor der Überschrift der ersten Regel</translation>
    </message>
    <message>
        <source>a second %1</source>
        <translation>ein zweites %1</translation>
    </message>
    <message>
        <source>%1 needs a name</source>
        <translation>%1 braucht einen Namen</translation>
    </message>
    <message>
        <source>ask is yes or no, not %1</source>
        <translation>ask ist yes oder no, nicht %1</translation>
    </message>
    <message>
        <source>expected key = value</source>
        <translation>erwartet: Schlüssel = Wert</translation>
    </message>
    <message>
        <source>the rules file %1 is a folder</source>
        <translation>die Regeldatei %1 ist ein Ordner</translation>
    </message>
    <message>
        <source>the rules file %1 is a device or a pipe, not a file</source>
        <translation>die Regeldatei %1 ist ein Gerät oder eine Pipe, keine Datei</translation>
    </message>
    <message>
        <source>the rules file %1 cannot be read: %2</source>
        <translation>die Regeldatei %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>the rules file %1 cannot be written: %2</source>
        <translation>die Regeldatei %1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>the rules file %1 is in use by another Prolamo program; try again</source>
        <translation>die Regeldatei %1 wird von einem anderen Prolamo-Programm verwendet; versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>the rules file %1 cannot be locked: %2</source>
        <translation>die Regeldatei %1 kann nicht gesperrt werden: %2</translation>
    </message>
    <message>
        <source>the rules file %1 was changed by another program meanwhile</source>
        <translation>die Regeldatei %1 wurde inzwischen von einem anderen Programm geändert</translation>
    </message>
    <message>
        <source>%1: The switching service may not apply TCP/IP settings for you (policy %2)</source>
        <translation>%1: Der Umschaltdienst darf TCP/IP-Einstellungen nicht für Sie anwenden (Richtlinie %2)</translation>
    </message>
    <message>
        <source>%1: The switching service may not apply network connections for you (policy %2)</source>
        <translation>%1: Der Umschaltdienst darf Netzwerkverbindungen nicht für Sie anwenden (Richtlinie %2)</translation>
    </message>
    <message>
        <source>%1: The switching service may not apply the flush of the name resolver cache for you (policy %2)</source>
        <translation>%1: Der Umschaltdienst darf den Cache der Namensauflösung nicht für Sie leeren (Richtlinie %2)</translation>
    </message>
    <message>
        <source>%1: The switching service may not apply the hosts file for you (policy %2)</source>
        <translation>%1: Der Umschaltdienst darf die Hosts-Datei nicht für Sie anwenden (Richtlinie %2)</translation>
    </message>
    <message>
        <source>%1: The switching service may not apply machine environment variables for you (policy %2)</source>
        <translation>%1: Der Umschaltdienst darf Umgebungsvariablen des Computers nicht für Sie anwenden (Richtlinie %2)</translation>
    </message>
    <message>
        <source>%1: The switching service may not apply the WinHTTP proxy for you (policy %2)</source>
        <translation>%1: Der Umschaltdienst darf den WinHTTP-Proxy nicht für Sie anwenden (Richtlinie %2)</translation>
    </message>
    <message>
        <source>The request could not be recorded in the event log: %1</source>
        <translation>Die Anfrage konnte nicht im Ereignisprotokoll vermerkt werden: %1</translation>
    </message>
    <message>
        <source>The switching service never applies %1; nothing was applied</source>
        <translation>Der Umschaltdienst wendet %1 nie an; nichts wurde angewendet</translation>
    </message>
    <message>
        <source>The switching service serves the users logged on at this computer only</source>
        <translation>Der Umschaltdienst dient nur den Benutzern, die an diesem Computer angemeldet sind</translation>
    </message>
    <message>
        <source>The switching service is switched off (policy %1)</source>
        <translation>Der Umschaltdienst ist ausgeschaltet (Richtlinie %1)</translation>
    </message>
    <message>
        <source>The request was refused: %1</source>
        <translation>Die Anfrage wurde abgelehnt: %1</translation>
    </message>
    <message>
        <source>The request is larger than %1 bytes</source>
        <translation>Die Anfrage ist größer als %1 Bytes</translation>
    </message>
    <message>
        <source>The switching service is busy; try again</source>
        <translation>Der Umschaltdienst ist beschäftigt; versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>The text is larger than %1 MB</source>
        <translation>Der Text ist größer als %1 MB</translation>
    </message>
    <message>
        <source>text after the record&apos;s end</source>
        <translation>Text nach dem Ende des Datensatzes</translation>
    </message>
    <message>
        <source>expected %1, found %2</source>
        <translation>%1 erwartet, %2 gefunden</translation>
    </message>
    <message>
        <source>the end of the text</source>
        <translation>das Ende des Textes</translation>
    </message>
    <message>
        <source>a value</source>
        <translation>ein Wert</translation>
    </message>
    <message>
        <source>nested more than %1 levels deep</source>
        <translation>mehr als %1 Ebenen tief verschachtelt</translation>
    </message>
    <message>
        <source>expected class name, found %1</source>
        <translation>Klassenname erwartet, %1 gefunden</translation>
    </message>
    <message>
        <source>a class name is at most 255 characters long</source>
        <translation>ein Klassenname ist höchstens 255 Zeichen lang</translation>
    </message>
    <message>
        <source>expected a property name, found %1</source>
        <translation>Eigenschaftsname erwartet, %1 gefunden</translation>
    </message>
    <message>
        <source>a property name is at most 255 characters long</source>
        <translation>ein Eigenschaftsname ist höchstens 255 Zeichen lang</translation>
    </message>
    <message>
        <source>expected value, found %1</source>
        <translation>Wert erwartet, %1 gefunden</translation>
    </message>
    <message>
        <source>a value is at most 255 characters long</source>
        <translation>ein Wert ist höchstens 255 Zeichen lang</translation>
    </message>
    <message>
        <source>expected a value, found %1</source>
        <translation>einen Wert erwartet, %1 gefunden</translation>
    </message>
    <message>
        <source>expected set element, found %1</source>
        <translation>Mengenelement erwartet, %1 gefunden</translation>
    </message>
    <message>
        <source>a set element is at most 255 characters long</source>
        <translation>ein Mengenelement ist höchstens 255 Zeichen lang</translation>
    </message>
    <message>
        <source>unexpected character %1</source>
        <translation>unerwartetes Zeichen %1</translation>
    </message>
    <message>
        <source>not a 64-bit integer: %1</source>
        <translation>keine 64-Bit-Ganzzahl: %1</translation>
    </message>
    <message>
        <source>a text that does not end on its line</source>
        <translation>ein Text, der nicht in seiner Zeile endet</translation>
    </message>
    <message>
        <source>a character code out of range: #%1</source>
        <translation>ein Zeichencode außerhalb des Bereichs: #%1</translation>
    </message>
    <message>
        <source>a binary value that does not end</source>
        <translation>ein Binärwert, der nicht endet</translation>
    </message>
    <message>
        <source>not a hex digit: %1</source>
        <translation>keine Hexadezimalziffer: %1</translation>
    </message>
    <message>
        <source>Line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>a profile needs a name</source>
        <translation>ein Profil braucht einen Namen</translation>
    </message>
    <message>
        <source>a configuration needs a name</source>
        <translation>eine Konfiguration braucht einen Namen</translation>
    </message>
    <message>
        <source>a profile name cannot hold control characters: %1</source>
        <translation>ein Profilname darf keine Steuerzeichen enthalten: %1</translation>
    </message>
    <message>
        <source>a configuration name cannot hold control characters: %1</source>
        <translation>ein Konfigurationsname darf keine Steuerzeichen enthalten: %1</translation>
    </message>
    <message>
        <source>A request holds one configuration with one profile</source>
        <translation>Eine Anfrage enthält eine Konfiguration mit einem Profil</translation>
    </message>
    <message>
        <source>Invalid stream format</source>
        <translation>Ungültiges Datenformat</translation>
    </message>
    <message>
        <source>Stream read error</source>
        <translation>Fehler beim Lesen der Daten</translation>
    </message>
    <message>
        <source>Class %1 not found</source>
        <translation>Klasse %1 nicht gefunden</translation>
    </message>
    <message>
        <source>Error reading %1%2%3: %4</source>
        <translation>Fehler beim Lesen von %1%2%3: %4</translation>
    </message>
    <message>
        <source>A class named %1 already exists</source>
        <translation>Eine Klasse namens %1 gibt es schon</translation>
    </message>
    <message>
        <source>Cannot assign a %1 to a %2</source>
        <translation>Ein %1 kann keinem %2 zugewiesen werden</translation>
    </message>
    <message>
        <source>Property %1 does not exist</source>
        <translation>Die Eigenschaft %1 gibt es nicht</translation>
    </message>
    <message>
        <source>Property %1 is read-only</source>
        <translation>Die Eigenschaft %1 kann nur gelesen werden</translation>
    </message>
    <message>
        <source>Property %1 is stored twice</source>
        <translation>Die Eigenschaft %1 ist doppelt gespeichert</translation>
    </message>
    <message>
        <source>A component named %1 already exists</source>
        <translation>Eine Komponente namens %1 gibt es schon</translation>
    </message>
    <message>
        <source>The text of %1 is not valid UTF-8</source>
        <translation>Der Text von %1 ist kein gültiges UTF-8</translation>
    </message>
    <message>
        <source>Invalid property value</source>
        <translation>Ungültiger Eigenschaftswert</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Listenindex außerhalb der Grenzen (%1)</translation>
    </message>
    <message>
        <source>Invalid data type for &apos;%1&apos;</source>
        <translation>Ungültiger Datentyp für &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Failed to get data for &apos;%1&apos;</source>
        <translation>Daten für &apos;%1&apos; konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>Failed to set data for &apos;%1&apos;</source>
        <translation>Daten für &apos;%1&apos; konnten nicht geschrieben werden</translation>
    </message>
    <message>
        <source>rule %1 (%2)</source>
        <translation>Regel %1 (%2)</translation>
    </message>
    <message>
        <source>The network matches rule %1. Apply profile %2 of configuration %3?</source>
        <translation>Das Netzwerk passt zur Regel %1. Profil %2 der Konfiguration %3 anwenden?</translation>
    </message>
    <message>
        <source>Automatic switching paused.</source>
        <translation>Das automatische Umschalten ist angehalten.</translation>
    </message>
    <message>
        <source>Automatic switching resumed.</source>
        <translation>Das automatische Umschalten läuft wieder.</translation>
    </message>
    <message>
        <source>The network changed; waiting for it to settle.</source>
        <translation>Das Netzwerk hat sich geändert; warte, bis es stabil bleibt.</translation>
    </message>
    <message>
        <source>Watching the network; waiting for it to settle.</source>
        <translation>Überwache das Netzwerk; warte, bis es stabil bleibt.</translation>
    </message>
    <message>
        <source>The rules changed.</source>
        <translation>Die Regeln haben sich geändert.</translation>
    </message>
    <message>
        <source>Automatic switching is on by your organisation&apos;s policy.</source>
        <translation>Das automatische Umschalten ist durch die Richtlinie Ihrer Organisation eingeschaltet.</translation>
    </message>
    <message>
        <source>Automatic switching is off by your organisation&apos;s policy.</source>
        <translation>Das automatische Umschalten ist durch die Richtlinie Ihrer Organisation ausgeschaltet.</translation>
    </message>
    <message>
        <source>Cannot switch: %1</source>
        <translation>Umschalten nicht möglich: %1</translation>
    </message>
    <message>
        <source>No rule matches the network.</source>
        <translation>Keine Regel passt zum Netzwerk.</translation>
    </message>
    <message>
        <source>The network matches %1, which is applied already.</source>
        <translation>Das Netzwerk passt zu %1; sie ist bereits angewendet.</translation>
    </message>
    <message>
        <source>The computer has moved away from %1 since a rule applied it; applying it again.</source>
        <translation>Der Computer hat %1 verlassen, seit eine Regel es angewendet hat; es wird erneut angewendet.</translation>
    </message>
    <message>
        <source>The network matches %1, which was left a short while ago; switching back once the network stays.</source>
        <translation>Das Netzwerk passt zu %1, die vor kurzem verlassen wurde; zurückgeschaltet wird, sobald das Netzwerk stabil bleibt.</translation>
    </message>
    <message>
        <source>Not applying %1: %2</source>
        <translation>%1 wird nicht angewendet: %2</translation>
    </message>
    <message>
        <source>Not applying %1: the user declined.</source>
        <translation>%1 wird nicht angewendet: Der Benutzer hat abgelehnt.</translation>
    </message>
    <message>
        <source>Applying %1.</source>
        <translation>%1 wird angewendet.</translation>
    </message>
    <message>
        <source>Could not apply %1 now; trying again after the settling time.</source>
        <translation>%1 konnte jetzt nicht angewendet werden; erneuter Versuch nach der Wartezeit.</translation>
    </message>
    <message>
        <source>The next start will not know what was applied: %1</source>
        <translation>Der nächste Start wird nicht wissen, was angewendet wurde: %1</translation>
    </message>
    <message>
        <source>Unknown kind of snapshot %1</source>
        <translation>Unbekannte Art von Momentaufnahme %1</translation>
    </message>
    <message>
        <source>The configuration %1 of %2 no longer exists</source>
        <translation>Die Konfiguration %1 von %2 gibt es nicht mehr</translation>
    </message>
    <message>
        <source>The history file %1 cannot be read (%2); it was set aside as %3 and a new history begins.</source>
        <translation>Die Verlaufsdatei %1 kann nicht gelesen werden (%2); sie wurde als %3 beiseitegelegt, und ein neuer Verlauf beginnt.</translation>
    </message>
    <message>
        <source>The history&apos;s snapshot of %1 is damaged: the value of %2 kept in %3 does not match its hash; it cannot be applied</source>
        <translation>Die Momentaufnahme von %1 im Verlauf ist beschädigt: Der in %3 aufbewahrte Wert von %2 passt nicht zu seinem Hash; sie kann nicht angewendet werden</translation>
    </message>
    <message>
        <source>The history&apos;s snapshot of %1 is damaged: the value of %2 kept in %3 is missing; it cannot be applied</source>
        <translation>Die Momentaufnahme von %1 im Verlauf ist beschädigt: Der in %3 aufbewahrte Wert von %2 fehlt; sie kann nicht angewendet werden</translation>
    </message>
    <message>
        <source>The history&apos;s snapshot of %1 is damaged: the value of %2 cannot be read: %3</source>
        <translation>Die Momentaufnahme von %1 im Verlauf ist beschädigt: Der Wert von %2 kann nicht gelesen werden: %3</translation>
    </message>
    <message>
        <source>The history file %1 cannot be read; it is left as it is</source>
        <translation>Die Verlaufsdatei %1 kann nicht gelesen werden; sie bleibt, wie sie ist</translation>
    </message>
    <message>
        <source>There is no apply to undo</source>
        <translation>Es gibt kein Anwenden, das rückgängig gemacht werden kann</translation>
    </message>
    <message>
        <source>The snapshot of %1 holds the profile&apos;s values before it, not the machine&apos;s state; undo the refresh instead</source>
        <translation>Die Momentaufnahme von %1 enthält die Werte des Profils davor, nicht den Zustand des Rechners; machen Sie stattdessen das Aktualisieren rückgängig</translation>
    </message>
    <message>
        <source>There is no refresh to undo</source>
        <translation>Es gibt kein Aktualisieren, das rückgängig gemacht werden kann</translation>
    </message>
    <message>
        <source>The profile %1 of %2 no longer exists</source>
        <translation>Das Profil %1 von %2 gibt es nicht mehr</translation>
    </message>
    <message>
        <source>The Hosts entries setting holds another kind&apos;s value</source>
        <translation>Die Einstellung Hosts-Einträge enthält den Wert einer anderen Art</translation>
    </message>
    <message>
        <source>The WinHTTP proxy setting holds another kind&apos;s value</source>
        <translation>Die Einstellung WinHTTP-Proxy enthält den Wert einer anderen Art</translation>
    </message>
    <message>
        <source>The data file %1 is in use by another Prolamo program; close that program and try again</source>
        <translation>Die Datendatei %1 wird von einem anderen Prolamo-Programm benutzt; schließen Sie dieses Programm und versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>it holds no configuration</source>
        <translation>sie enthält keine Konfiguration</translation>
    </message>
    <message>
        <source>The data file is a link to a file that does not exist</source>
        <translation>Die Datendatei ist eine Verknüpfung auf eine Datei, die es nicht gibt</translation>
    </message>
    <message>
        <source>Profile %1</source>
        <translation>Profil %1</translation>
    </message>
    <message>
        <source>Configuration %1</source>
        <translation>Konfiguration %1</translation>
    </message>
</context>
<context>
    <name>SettingKinds</name>
    <message>
        <source>Environment variables</source>
        <translation>Umgebungsvariablen</translation>
    </message>
    <message>
        <source>User and system environment variables</source>
        <translation>Umgebungsvariablen des Benutzers und des Systems</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Any file on a local or network drive</source>
        <translation>Eine beliebige Datei auf einem lokalen oder einem Netzlaufwerk</translation>
    </message>
    <message>
        <source>Firefox proxy</source>
        <translation>Firefox-Proxy</translation>
    </message>
    <message>
        <source>Firefox proxy settings</source>
        <translation>Proxy-Einstellungen von Firefox</translation>
    </message>
    <message>
        <source>Internet Explorer proxy</source>
        <translation>Internet-Explorer-Proxy</translation>
    </message>
    <message>
        <source>Internet Explorer proxy settings</source>
        <translation>Proxy-Einstellungen des Internet Explorers</translation>
    </message>
    <message>
        <source>Network drives</source>
        <translation>Netzlaufwerke</translation>
    </message>
    <message>
        <source>Hosts file</source>
        <translation>Hosts-Datei</translation>
    </message>
    <message>
        <source>IP addresses of frequently used remote hosts</source>
        <translation>IP-Adressen oft genutzter entfernter Rechner</translation>
    </message>
    <message>
        <source>TCP/IP settings</source>
        <translation>TCP/IP-Einstellungen</translation>
    </message>
    <message>
        <source>IP address, subnet mask, gateway, DNS and WINS settings</source>
        <translation>IP-Adresse, Subnetzmaske, Gateway, DNS- und WINS-Einstellungen</translation>
    </message>
    <message>
        <source>Opera proxy</source>
        <translation>Opera-Proxy</translation>
    </message>
    <message>
        <source>Opera proxy settings</source>
        <translation>Proxy-Einstellungen von Opera</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>Drucker</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Netzwerk</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Others</source>
        <translation>Sonstiges</translation>
    </message>
    <message>
        <source>Time zone</source>
        <translation>Zeitzone</translation>
    </message>
    <message>
        <source>Hosts entries</source>
        <translation>Hosts-Einträge</translation>
    </message>
    <message>
        <source>A named block of lines in the hosts file; other programs&apos; lines stay as they are</source>
        <translation>Ein benannter Block von Zeilen in der hosts-Datei; die Zeilen anderer Programme bleiben, wie sie sind</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>A program or script to run before or after the other settings</source>
        <translation>Ein Programm oder Skript, das vor oder nach den anderen Einstellungen läuft</translation>
    </message>
    <message>
        <source>WinHTTP proxy</source>
        <translation>WinHTTP-Proxy</translation>
    </message>
    <message>
        <source>The machine-wide proxy of services and command-line tools (netsh winhttp)</source>
        <translation>Der rechnerweite Proxy von Diensten und Befehlszeilenwerkzeugen (netsh winhttp)</translation>
    </message>
    <message>
        <source>Wireless network</source>
        <translation>Drahtlosnetzwerk</translation>
    </message>
    <message>
        <source>The wireless network each wireless adapter connects to</source>
        <translation>Das Drahtlosnetzwerk, mit dem sich jeder Drahtlosadapter verbindet</translation>
    </message>
</context>
<context>
    <name>prolamo</name>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>&amp;Show changes</source>
        <translation>Änderungen &amp;zeigen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Do you want to delete &quot;%1&quot;?</source>
        <translation>Wollen Sie „%1“ löschen?</translation>
    </message>
    <message>
        <source>Refresh replaces what &quot;%1&quot; holds of these settings with what the machine holds now:

%2
Replace them?</source>
        <translation>Das Aktualisieren ersetzt, was „%1“ von diesen Einstellungen enthält, durch den jetzigen Stand des Rechners:

%2
Ersetzen?</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>it is larger than %1 bytes</source>
        <translation>sie ist größer als %1 Bytes</translation>
    </message>
    <message>
        <source>The start-up entry %1 cannot be written: %2</source>
        <translation>Der Autostart-Eintrag %1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>The start-up entry %1 cannot be removed: %2</source>
        <translation>Der Autostart-Eintrag %1 kann nicht entfernt werden: %2</translation>
    </message>
</context>
<context>
    <name>prolamo::TDesktopSwitching</name>
    <message>
        <source>Automatic switching, %1: %2</source>
        <translation>Automatisches Umschalten, %1: %2</translation>
    </message>
    <message>
        <source>Automatic switching is paused.</source>
        <translation>Das automatische Umschalten ist angehalten.</translation>
    </message>
    <message>
        <source>Automatic switching cannot take its lock: %1</source>
        <translation>Das automatische Umschalten bekommt seine Sperre nicht: %1</translation>
    </message>
    <message>
        <source>Automatic switching: another Prolamo program watches (process %1).</source>
        <translation>Automatisches Umschalten: Ein anderes Prolamo-Programm überwacht das Netzwerk (Prozess %1).</translation>
    </message>
    <message>
        <source>Automatic switching: another Prolamo program watches.</source>
        <translation>Automatisches Umschalten: Ein anderes Prolamo-Programm überwacht das Netzwerk.</translation>
    </message>
    <message>
        <source>Automatic switching has no rules.</source>
        <translation>Das automatische Umschalten hat keine Regeln.</translation>
    </message>
    <message>
        <source>Automatic switching is watching the network.</source>
        <translation>Das automatische Umschalten überwacht das Netzwerk.</translation>
    </message>
    <message>
        <source>Automatic switching cannot read its rules: %1</source>
        <translation>Das automatische Umschalten kann seine Regeln nicht lesen: %1</translation>
    </message>
    <message>
        <source>Automatic switching is off by your organisation&apos;s policy.</source>
        <translation>Das automatische Umschalten ist durch die Richtlinie Ihrer Organisation ausgeschaltet.</translation>
    </message>
</context>
<context>
    <name>prolamo::THelpViewer</name>
    <message>
        <source>Prolamo Help</source>
        <translation>Prolamo-Hilfe</translation>
    </message>
</context>
<context>
    <name>prolamo::TInForceCheck</name>
    <message>
        <source>Checking whether the machine still matches it...</source>
        <translation>Es wird geprüft, ob der Rechner noch dazu passt...</translation>
    </message>
    <message>
        <source>No profile of this configuration has been applied yet.</source>
        <translation>Von dieser Konfiguration wurde noch kein Profil angewendet.</translation>
    </message>
    <message>
        <source>Applied last: %1, %2
%3</source>
        <translation>Zuletzt angewendet: %1, %2
%3</translation>
    </message>
    <message>
        <source>The profile no longer exists.</source>
        <translation>Das Profil gibt es nicht mehr.</translation>
    </message>
    <message>
        <source>The machine still matches it.</source>
        <translation>Der Rechner passt noch dazu.</translation>
    </message>
    <message>
        <source>Whether the machine still matches it cannot be told: %1 cannot be read.</source>
        <translation>Ob der Rechner noch dazu passt, lässt sich nicht sagen: %1 ist nicht lesbar.</translation>
    </message>
    <message>
        <source>The machine no longer matches it: %1 has changed.</source>
        <translation>Der Rechner passt nicht mehr dazu: %1 hat sich geändert.</translation>
    </message>
</context>
<context>
    <name>prolamo::TProfileStates</name>
    <message>
        <source>Setting</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>checking...</source>
        <translation>wird geprüft...</translation>
    </message>
    <message>
        <source>Now: %1
After an apply: %2</source>
        <translation>Jetzt: %1
Nach dem Anwenden: %2</translation>
    </message>
</context>
<context>
    <name>prolamo::TTabControl</name>
    <message>
        <source>Scroll left</source>
        <translation>Nach links blättern</translation>
    </message>
    <message>
        <source>Scroll right</source>
        <translation>Nach rechts blättern</translation>
    </message>
</context>
<context>
    <name>prolamo::TTrayIcon</name>
    <message>
        <source>Undo last apply</source>
        <translation>Letztes Anwenden rückgängig machen</translation>
    </message>
    <message>
        <source>Switching rules...</source>
        <translation>Umschaltregeln...</translation>
    </message>
    <message>
        <source>Pause automatic switching</source>
        <translation>Automatisches Umschalten anhalten</translation>
    </message>
    <message>
        <source>Show main window</source>
        <translation>Hauptfenster zeigen</translation>
    </message>
    <message>
        <source>Start with the session</source>
        <translation>Mit der Sitzung starten</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Prolamo</source>
        <translation>Prolamo</translation>
    </message>
    <message>
        <source>
Choose &quot;Undo last apply&quot; in this menu to undo it.</source>
        <translation>
Wählen Sie „Letztes Anwenden rückgängig machen“ in diesem Menü, um es rückgängig zu machen.</translation>
    </message>
    <message>
        <source>Managed by your organisation</source>
        <translation>Von Ihrer Organisation verwaltet</translation>
    </message>
    <message>
        <source>Your organisation&apos;s policy lets you apply only the configurations it manages.</source>
        <translation>Die Richtlinie Ihrer Organisation erlaubt Ihnen nur, die von ihr verwalteten Konfigurationen anzuwenden.</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmAbout</name>
    <message>
        <source>Prolamo</source>
        <translation>Prolamo</translation>
    </message>
    <message>
        <source>About Prolamo</source>
        <translation>Über Prolamo</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmBaseDlg</name>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditConfiguration</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Edit configuration</source>
        <translation>Konfiguration bearbeiten</translation>
    </message>
    <message>
        <source>Configuration items</source>
        <translation>Einträge der Konfiguration</translation>
    </message>
    <message>
        <source>Available items</source>
        <translation>Verfügbare Einträge</translation>
    </message>
    <message>
        <source>&amp;New item</source>
        <translation>&amp;Neuer Eintrag</translation>
    </message>
    <message>
        <source>New item</source>
        <translation>Neuer Eintrag</translation>
    </message>
    <message>
        <source>&amp;Edit item</source>
        <translation>Eintrag &amp;bearbeiten</translation>
    </message>
    <message>
        <source>Edit item</source>
        <translation>Eintrag bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Delete item</source>
        <translation>Eintrag &amp;löschen</translation>
    </message>
    <message>
        <source>Delete item</source>
        <translation>Eintrag löschen</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Item categories</source>
        <translation>Kategorien der Einträge</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditHostsBlock</name>
    <message>
        <source>Hosts entries</source>
        <translation>Hosts-Einträge</translation>
    </message>
    <message>
        <source>Block &amp;name</source>
        <translation>Block&amp;name</translation>
    </message>
    <message>
        <source>Its lines lie between the lines &quot;%1NAME&quot; and &quot;%2NAME&quot; of the hosts file; the other lines stay as they are.</source>
        <translation>Seine Zeilen stehen zwischen den Zeilen &quot;%1NAME&quot; und &quot;%2NAME&quot; der hosts-Datei; die anderen Zeilen bleiben, wie sie sind.</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditItemsDlg</name>
    <message>
        <source>Items</source>
        <translation>Einträge</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditProfile</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Edit Profile</source>
        <translation>Profil bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Refresh value(s)</source>
        <translation>Wert(e) &amp;aktualisieren</translation>
    </message>
    <message>
        <source>Refresh value(s)</source>
        <translation>Wert(e) aktualisieren</translation>
    </message>
    <message>
        <source>Refresh a&amp;ll values</source>
        <translation>A&amp;lle Werte aktualisieren</translation>
    </message>
    <message>
        <source>Refresh all values</source>
        <translation>Alle Werte aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Delete value(s)</source>
        <translation>Wert(e) &amp;löschen</translation>
    </message>
    <message>
        <source>Delete value(s)</source>
        <translation>Wert(e) löschen</translation>
    </message>
    <message>
        <source>A&amp;pply value(s)</source>
        <translation>Wert(e) an&amp;wenden</translation>
    </message>
    <message>
        <source>Apply value(s)</source>
        <translation>Wert(e) anwenden</translation>
    </message>
    <message>
        <source>Apply all &amp;values</source>
        <translation>Alle Werte anwen&amp;den</translation>
    </message>
    <message>
        <source>Apply all values</source>
        <translation>Alle Werte anwenden</translation>
    </message>
    <message>
        <source>&amp;Undo last refresh</source>
        <translation>Letzte Aktualisierung &amp;rückgängig machen</translation>
    </message>
    <message>
        <source>Undo last refresh</source>
        <translation>Letzte Aktualisierung rückgängig machen</translation>
    </message>
    <message>
        <source>Values</source>
        <translation>Werte</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditProgram</name>
    <message>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>&amp;Command line</source>
        <translation>Befehls&amp;zeile</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Choose the program to run</source>
        <translation>Das auszuführende Programm wählen</translation>
    </message>
    <message>
        <source>Browse for the program</source>
        <translation>Nach dem Programm suchen</translation>
    </message>
    <message>
        <source>&amp;Working folder</source>
        <translation>A&amp;rbeitsordner</translation>
    </message>
    <message>
        <source>the folder Prolamo runs in</source>
        <translation>der Ordner, in dem Prolamo läuft</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>Aus&amp;führen</translation>
    </message>
    <message>
        <source>after the other settings</source>
        <translation>nach den anderen Einstellungen</translation>
    </message>
    <message>
        <source>before the other settings</source>
        <translation>vor den anderen Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Time limit</source>
        <translation>Zeit&amp;limit</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>A program still running then is ended</source>
        <translation>Ein Programm, das dann noch läuft, wird beendet</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmEditRule</name>
    <message>
        <source>&amp;Ask before applying</source>
        <translation>&amp;Vor dem Anwenden fragen</translation>
    </message>
    <message>
        <source>Edit rule</source>
        <translation>Regel bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Name</source>
        <translation>&amp;Name</translation>
    </message>
    <message>
        <source>Con&amp;figuration</source>
        <translation>Kon&amp;figuration</translation>
    </message>
    <message>
        <source>&amp;Profile</source>
        <translation>&amp;Profil</translation>
    </message>
    <message>
        <source>Cond&amp;itions, all of which must hold</source>
        <translation>Bed&amp;ingungen, die alle erfüllt sein müssen</translation>
    </message>
    <message>
        <source>&amp;Use this network</source>
        <translation>Dieses Ne&amp;tzwerk verwenden</translation>
    </message>
    <message>
        <source>Conditions that hold on the network the computer is on now</source>
        <translation>Bedingungen, die im Netzwerk erfüllt sind, in dem der Rechner jetzt ist</translation>
    </message>
    <message>
        <source>Ne&amp;w</source>
        <translation>Ne&amp;u</translation>
    </message>
    <message>
        <source>Value of the new condition</source>
        <translation>Wert der neuen Bedingung</translation>
    </message>
    <message>
        <source>A&amp;dd</source>
        <translation>Hin&amp;zufügen</translation>
    </message>
    <message>
        <source>Add the condition written on the left</source>
        <translation>Die links eingegebene Bedingung hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Remove the selected condition</source>
        <translation>Die gewählte Bedingung entfernen</translation>
    </message>
    <message>
        <source>The network cannot be read: %1</source>
        <translation>Das Netzwerk kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>no adapter has a gateway</source>
        <translation>kein Adapter hat ein Gateway</translation>
    </message>
    <message>
        <source>Managed by your organisation</source>
        <translation>Von Ihrer Organisation verwaltet</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmHistory</name>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>&amp;Undo to this</source>
        <translation>Hierhin &amp;zurücksetzen</translation>
    </message>
    <message>
        <source>Put back what the machine held before the chosen apply or undo</source>
        <translation>Stellt wieder her, was der Rechner vor dem gewählten Anwenden oder Rückgängigmachen hatte</translation>
    </message>
    <message>
        <source>&amp;Snapshots, newest first</source>
        <translation>&amp;Momentaufnahmen, neueste zuerst</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Configuration / profile</source>
        <translation>Konfiguration / Profil</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>%1 (damaged)</source>
        <translation>%1 (beschädigt)</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmMain</name>
    <message>
        <source>Welcome. A configuration names settings of this computer that you switch together, such as the network settings; each of its profiles keeps their values for one place, such as at home or at the office.

To begin, make a new configuration, or import one that was exported on another computer.</source>
        <translation>Willkommen. Eine Konfiguration nennt Einstellungen dieses Rechners, die Sie gemeinsam umschalten, etwa die Netzwerkeinstellungen; jedes ihrer Profile hält deren Werte für einen Ort fest, etwa für zu Hause oder für das Büro.

Legen Sie zu Beginn eine neue Konfiguration an, oder importieren Sie eine, die auf einem anderen Rechner exportiert wurde.</translation>
    </message>
    <message>
        <source>Left alone:</source>
        <translation>Unberührt bleiben:</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>H&amp;elp</source>
        <translation>Hi&amp;lfe</translation>
    </message>
    <message>
        <source>&amp;New configuration</source>
        <translation>&amp;Neue Konfiguration</translation>
    </message>
    <message>
        <source>New configuration</source>
        <translation>Neue Konfiguration</translation>
    </message>
    <message>
        <source>&amp;Edit configuration</source>
        <translation>Konfiguration &amp;bearbeiten</translation>
    </message>
    <message>
        <source>Edit configuration</source>
        <translation>Konfiguration bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Delete configuration</source>
        <translation>Konfiguration &amp;löschen</translation>
    </message>
    <message>
        <source>Delete configuration</source>
        <translation>Konfiguration löschen</translation>
    </message>
    <message>
        <source>&amp;New profile</source>
        <translation>&amp;Neues Profil</translation>
    </message>
    <message>
        <source>New profile</source>
        <translation>Neues Profil</translation>
    </message>
    <message>
        <source>&amp;Edit profile</source>
        <translation>Profil &amp;bearbeiten</translation>
    </message>
    <message>
        <source>Edit profile</source>
        <translation>Profil bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Delete profile</source>
        <translation>Profil &amp;löschen</translation>
    </message>
    <message>
        <source>Delete profile</source>
        <translation>Profil löschen</translation>
    </message>
    <message>
        <source>&amp;Refresh profile</source>
        <translation>Profil a&amp;ktualisieren</translation>
    </message>
    <message>
        <source>Refresh profile</source>
        <translation>Profil aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Apply profile</source>
        <translation>Profil &amp;anwenden</translation>
    </message>
    <message>
        <source>Apply profile</source>
        <translation>Profil anwenden</translation>
    </message>
    <message>
        <source>&amp;What will change...</source>
        <translation>&amp;Was ändert sich...</translation>
    </message>
    <message>
        <source>What an apply of the profile would change</source>
        <translation>Was ein Anwenden des Profils ändern würde</translation>
    </message>
    <message>
        <source>&amp;Undo last apply</source>
        <translation>Letztes Anwenden &amp;rückgängig machen</translation>
    </message>
    <message>
        <source>Put back what the machine held before the last apply</source>
        <translation>Zurücksetzen, was der Rechner vor dem letzten Anwenden hatte</translation>
    </message>
    <message>
        <source>Undo last re&amp;fresh</source>
        <translation>Letzte Aktualisierung rück&amp;gängig machen</translation>
    </message>
    <message>
        <source>Put back the values the last refresh replaced</source>
        <translation>Die Werte zurücksetzen, die das letzte Aktualisieren ersetzt hat</translation>
    </message>
    <message>
        <source>&amp;Export configuration...</source>
        <translation>&amp;Konfiguration exportieren...</translation>
    </message>
    <message>
        <source>Save the configuration with its profiles as text</source>
        <translation>Die Konfiguration mit ihren Profilen als Text speichern</translation>
    </message>
    <message>
        <source>&amp;Import configurations...</source>
        <translation>Konfigurationen &amp;importieren...</translation>
    </message>
    <message>
        <source>Add the configurations of an exported text</source>
        <translation>Die Konfigurationen eines exportierten Textes hinzufügen</translation>
    </message>
    <message>
        <source>Configuration (e.g. &quot;Network settings&quot;)</source>
        <translation>Konfiguration (z. B. „Netzwerkeinstellungen“)</translation>
    </message>
    <message>
        <source>Configuration actions</source>
        <translation>Aktionen der Konfiguration</translation>
    </message>
    <message>
        <source>Configuration profile (e.g. &quot;Network settings at home&quot;)</source>
        <translation>Profil der Konfiguration (z. B. „Netzwerkeinstellungen zu Hause“)</translation>
    </message>
    <message>
        <source>Profile actions</source>
        <translation>Aktionen des Profils</translation>
    </message>
    <message>
        <source>Profile in force</source>
        <translation>Geltendes Profil</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>C&amp;onfigurations</source>
        <translation>&amp;Konfigurationen</translation>
    </message>
    <message>
        <source>&amp;Profiles</source>
        <translation>&amp;Profile</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Show Help</source>
        <translation>Hilfe zeigen</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>The data file %1 cannot be read: %2

It was left as it is; &quot;prolamo-cli datafile dump&quot; shows how far it can be read. %3 will close.</source>
        <translation>Die Datendatei %1 kann nicht gelesen werden: %2

Sie blieb, wie sie ist; „prolamo-cli datafile dump“ zeigt, wie weit sie sich lesen lässt. %3 wird beendet.</translation>
    </message>
    <message>
        <source>The history file %1 cannot be read: %2

It was left as it is; nothing can be applied or undone until it is mended or removed.</source>
        <translation>Die Verlaufsdatei %1 kann nicht gelesen werden: %2

Sie blieb, wie sie ist; bis sie repariert oder entfernt ist, kann nichts angewendet oder rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>%1.

Your changes are kept in this window and saved as soon as the data file is free.</source>
        <translation>%1.

Ihre Änderungen bleiben in diesem Fenster erhalten und werden gespeichert, sobald die Datendatei frei ist.</translation>
    </message>
    <message>
        <source>The data file %1 cannot be read or saved: %2

Your changes are kept in this window and saved as soon as it can be.</source>
        <translation>Die Datendatei %1 kann nicht gelesen oder gespeichert werden: %2

Ihre Änderungen bleiben in diesem Fenster erhalten und werden gespeichert, sobald es geht.</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>Rückgängig machen: %1</translation>
    </message>
    <message>
        <source>Exported %1 to %2</source>
        <translation>%1 nach %2 exportiert</translation>
    </message>
    <message>
        <source>

Import it under a new name?</source>
        <translation>

Unter einem neuen Namen importieren?</translation>
    </message>
    <message>
        <source>Imported %1</source>
        <translation>Importiert: %1</translation>
    </message>
    <message>
        <source>&amp;Switching</source>
        <translation>&amp;Umschalten</translation>
    </message>
    <message>
        <source>&amp;Rules...</source>
        <translation>&amp;Regeln...</translation>
    </message>
    <message>
        <source>The rules that apply a profile by the network the computer is on</source>
        <translation>Die Regeln, die je nach Netzwerk des Rechners ein Profil anwenden</translation>
    </message>
    <message>
        <source>&amp;Pause automatic switching</source>
        <translation>Automatisches Umschalten &amp;pausieren</translation>
    </message>
    <message>
        <source>Prolamo configurations (*.txt);;All files (*)</source>
        <translation>Prolamo-Konfigurationen (*.txt);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Se&amp;ttings of the profile, and what an apply would do</source>
        <translation>Einstellungen des Profils und was ein Anwenden &amp;tun würde</translation>
    </message>
    <message>
        <source>&amp;History...</source>
        <translation>&amp;Verlauf...</translation>
    </message>
    <message>
        <source>The kept snapshots, and an undo to one of them</source>
        <translation>Die aufbewahrten Momentaufnahmen, und ein Zurücksetzen auf eine davon</translation>
    </message>
    <message>
        <source>The chosen snapshot is no longer in the history: another program removed it.</source>
        <translation>Die gewählte Momentaufnahme ist nicht mehr im Verlauf: Ein anderes Programm hat sie entfernt.</translation>
    </message>
    <message>
        <source>Your organisation&apos;s policy does not let you create, edit or delete configurations.</source>
        <translation>Die Richtlinie Ihrer Organisation erlaubt Ihnen nicht, Konfigurationen anzulegen, zu bearbeiten oder zu löschen.</translation>
    </message>
    <message>
        <source>Managed by your organisation</source>
        <translation>Von Ihrer Organisation verwaltet</translation>
    </message>
    <message>
        <source>Your organisation&apos;s policy lets you apply only the configurations it manages.</source>
        <translation>Die Richtlinie Ihrer Organisation erlaubt Ihnen nur, die von ihr verwalteten Konfigurationen anzuwenden.</translation>
    </message>
    <message>
        <source>The file %1 cannot be imported:
%2

Choose a file that &quot;Export configuration...&quot; saved; nothing was imported.</source>
        <translation>Die Datei %1 kann nicht importiert werden:
%2

Wählen Sie eine Datei, die mit „Konfiguration exportieren...“ gespeichert wurde; es wurde nichts importiert.</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmPreview</name>
    <message>
        <source>1 line</source>
        <translation>1 Zeile</translation>
    </message>
    <message>
        <source>%1 lines</source>
        <translation>%1 Zeilen</translation>
    </message>
    <message>
        <source>What will change: %1</source>
        <translation>Was sich ändert: %1</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>&amp;Anwenden</translation>
    </message>
    <message>
        <source>Apply this profile now</source>
        <translation>Dieses Profil jetzt anwenden</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Jetzt</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Danach</translation>
    </message>
    <message>
        <source>Choose a setting of several lines to see them removed and added</source>
        <translation>Wählen Sie eine Einstellung aus mehreren Zeilen, um zu sehen, welche entfernt und hinzugefügt werden</translation>
    </message>
    <message>
        <source>%1: %2 removed, %3 added</source>
        <translation>%1: %2 entfernt, %3 hinzugefügt</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmProgress</name>
    <message>
        <source>Please wait...</source>
        <translation>Bitte warten...</translation>
    </message>
    <message>
        <source>&amp;Undo last apply</source>
        <translation>Letztes Anwenden &amp;rückgängig machen</translation>
    </message>
    <message>
        <source>Put back what the machine held before this run</source>
        <translation>Zurücksetzen, was der Rechner vor diesem Lauf hatte</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Einzelheiten</translation>
    </message>
    <message>
        <source>Choose a line to read it whole</source>
        <translation>Wählen Sie eine Zeile, um sie ganz zu lesen</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>Copy &amp;all</source>
        <translation>&amp;Alles kopieren</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>prolamo::TfrmRules</name>
    <message>
        <source>&amp;Pause automatic switching</source>
        <translation>Automatisches Umschalten &amp;pausieren</translation>
    </message>
    <message>
        <source>Switching rules</source>
        <translation>Umschaltregeln</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>&amp;New...</source>
        <translation>&amp;Neu...</translation>
    </message>
    <message>
        <source>New rule</source>
        <translation>Neue Regel</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Bearbeiten...</translation>
    </message>
    <message>
        <source>Edit the rule</source>
        <translation>Die Regel bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Delete the rule</source>
        <translation>Die Regel löschen</translation>
    </message>
    <message>
        <source>Move &amp;up</source>
        <translation>Nach &amp;oben</translation>
    </message>
    <message>
        <source>Try the rule before the one above it</source>
        <translation>Die Regel vor der darüber versuchen</translation>
    </message>
    <message>
        <source>Move do&amp;wn</source>
        <translation>Nach &amp;unten</translation>
    </message>
    <message>
        <source>Try the rule after the one below it</source>
        <translation>Die Regel nach der darunter versuchen</translation>
    </message>
    <message>
        <source>&amp;Test now</source>
        <translation>&amp;Jetzt testen</translation>
    </message>
    <message>
        <source>Which rule matches the network the computer is on now, and why</source>
        <translation>Welche Regel zum Netzwerk passt, in dem der Rechner jetzt ist, und warum</translation>
    </message>
    <message>
        <source>&amp;Rules, tried in order: the first that matches applies its profile</source>
        <translation>&amp;Regeln, der Reihe nach versucht: Die erste, die passt, wendet ihr Profil an</translation>
    </message>
    <message>
        <source>Rule</source>
        <translation>Regel</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Conditions</source>
        <translation>Bedingungen</translation>
    </message>
    <message>
        <source>Which rule matches the network the computer is on now:</source>
        <translation>Welche Regel zum Netzwerk passt, in dem der Rechner jetzt ist:</translation>
    </message>
    <message>
        <source>Test now shows each rule with its conditions, and which one applies.</source>
        <translation>„Jetzt testen“ zeigt jede Regel mit ihren Bedingungen und welche davon angewendet wird.</translation>
    </message>
    <message>
        <source>Another program changed the rules; the list shows them as they are now.</source>
        <translation>Ein anderes Programm hat die Regeln geändert; die Liste zeigt sie, wie sie jetzt sind.</translation>
    </message>
    <message>
        <source>%1 (%2), asks first</source>
        <translation>%1 (%2), fragt zuerst</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Another program changed the rules meanwhile; the list shows them as they are now. Make your change again.</source>
        <translation>Ein anderes Programm hat die Regeln inzwischen geändert; die Liste zeigt sie, wie sie jetzt sind. Nehmen Sie Ihre Änderung noch einmal vor.</translation>
    </message>
    <message>
        <source>Managed by your organisation</source>
        <translation>Von Ihrer Organisation verwaltet</translation>
    </message>
    <message>
        <source>Rule %1</source>
        <translation>Regel %1</translation>
    </message>
</context>
</TS>
