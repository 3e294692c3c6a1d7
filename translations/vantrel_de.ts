<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>FileRegistry</name>
    <message>
        <source>The settings file &quot;%1&quot; cannot be read (%2). Vantrel leaves it untouched and will not save settings into it.</source>
        <translation>Die Einstellungsdatei „%1“ kann nicht gelesen werden (%2). Vantrel lässt sie unverändert und speichert keine Einstellungen darin.</translation>
    </message>
    <message>
        <source>The settings file &quot;%1&quot; is larger than %2 MiB, too large to be a settings file. Vantrel leaves it untouched and will not save settings into it.</source>
        <translation>Die Einstellungsdatei „%1“ ist größer als %2 MiB und damit zu groß für eine Einstellungsdatei. Vantrel lässt sie unverändert und speichert keine Einstellungen darin.</translation>
    </message>
    <message>
        <source>The settings file &quot;%1&quot; is damaged (%2). It has been kept aside as &quot;%3&quot;, and Vantrel goes on as if it were empty.</source>
        <translation>Die Einstellungsdatei „%1“ ist beschädigt (%2). Sie wurde als „%3“ beiseitegelegt, und Vantrel arbeitet weiter, als wäre sie leer.</translation>
    </message>
    <message>
        <source>The settings file &quot;%1&quot; is damaged (%2) and could not be kept aside (%3). Vantrel leaves it untouched and will not save settings into it.</source>
        <translation>Die Einstellungsdatei „%1“ ist beschädigt (%2) und konnte nicht beiseitegelegt werden (%3). Vantrel lässt sie unverändert und speichert keine Einstellungen darin.</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>sie ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it cannot be read as a hive</source>
        <translation>sie lässt sich nicht als Registrierungsdatei lesen</translation>
    </message>
</context>
<context>
    <name>HiveFormat</name>
    <message>
        <source>text that is not valid UTF-8</source>
        <translation>Text, der kein gültiges UTF-8 ist</translation>
    </message>
    <message>
        <source>character 0x%1 is not allowed here</source>
        <translation>das Zeichen 0x%1 ist hier nicht erlaubt</translation>
    </message>
    <message>
        <source>backslash at the end of the line</source>
        <translation>umgekehrter Schrägstrich am Zeilenende</translation>
    </message>
    <message>
        <source>\x without hex digits</source>
        <translation>\x ohne Hexadezimalziffern</translation>
    </message>
    <message>
        <source>unknown escape \%1</source>
        <translation>unbekannte Escape-Folge \%1</translation>
    </message>
    <message>
        <source>missing closing %1</source>
        <translation>schließendes %1 fehlt</translation>
    </message>
    <message>
        <source>expected a two-digit hex byte</source>
        <translation>erwartet wurde ein zweistelliges Hexadezimalbyte</translation>
    </message>
    <message>
        <source>expected a comma between hex bytes</source>
        <translation>erwartet wurde ein Komma zwischen Hexadezimalbytes</translation>
    </message>
    <message>
        <source>continuation line missing at the end of the file</source>
        <translation>Fortsetzungszeile fehlt am Dateiende</translation>
    </message>
    <message>
        <source>dword: needs 1 to 8 hex digits</source>
        <translation>dword: braucht 1 bis 8 Hexadezimalziffern</translation>
    </message>
    <message>
        <source>str(n): is read for types 1 and 2 only, as str(n):&quot;text&quot;</source>
        <translation>str(n): wird nur für die Typen 1 und 2 gelesen, als str(n):&quot;Text&quot;</translation>
    </message>
    <message>
        <source>malformed hex(n):</source>
        <translation>fehlerhaftes hex(n):</translation>
    </message>
    <message>
        <source>string data of odd length</source>
        <translation>Zeichenkettendaten ungerader Länge</translation>
    </message>
    <message>
        <source>hex(4): needs exactly four bytes</source>
        <translation>hex(4): braucht genau vier Bytes</translation>
    </message>
    <message>
        <source>unknown value data</source>
        <translation>unbekannte Wertdaten</translation>
    </message>
    <message>
        <source>unexpected text after the value</source>
        <translation>unerwarteter Text nach dem Wert</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>the first line must be &quot;%1&quot;</source>
        <translation>die erste Zeile muss „%1“ lauten</translation>
    </message>
    <message>
        <source>unknown # line</source>
        <translation>unbekannte #-Zeile</translation>
    </message>
    <message>
        <source>unexpected text after the key name</source>
        <translation>unerwarteter Text nach dem Schlüsselnamen</translation>
    </message>
    <message>
        <source>malformed key name</source>
        <translation>fehlerhafter Schlüsselname</translation>
    </message>
    <message>
        <source>empty value name (the unnamed value is written @)</source>
        <translation>leerer Wertname (der unbenannte Wert wird @ geschrieben)</translation>
    </message>
    <message>
        <source>unrecognised line</source>
        <translation>unbekannte Zeile</translation>
    </message>
    <message>
        <source>value outside any key</source>
        <translation>Wert außerhalb eines Schlüssels</translation>
    </message>
    <message>
        <source>expected = after the value name</source>
        <translation>erwartet wurde = nach dem Wertnamen</translation>
    </message>
</context>
<context>
    <name>LineState</name>
    <message>
        <source>The simulated line keeps its connections in a folder that is not private: %1. Another user could show a forged connection there, so the simulated line reads and writes nothing in it: no line can be seen, dialled or hung up. Make the folder yours with mode 0700, or remove it.</source>
        <translation>Die simulierte Leitung verwahrt ihre Verbindungen in einem Ordner, der nicht privat ist: %1. Ein anderer Benutzer könnte dort eine gefälschte Verbindung vorspiegeln, daher liest und schreibt die simulierte Leitung dort nichts: Es kann keine Leitung angezeigt, gewählt oder getrennt werden. Machen Sie den Ordner mit dem Modus 0700 zu Ihrem eigenen, oder entfernen Sie ihn.</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>der Ordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>%1, so nothing is kept there</source>
        <translation>%1, daher wird dort nichts abgelegt</translation>
    </message>
    <message>
        <source>%1 is locked by another process</source>
        <translation>%1 ist von einem anderen Prozess gesperrt</translation>
    </message>
    <message>
        <source>cannot lock %1: %2</source>
        <translation>%1 kann nicht gesperrt werden: %2</translation>
    </message>
    <message>
        <source>%1 is larger than %2 KiB, too large to be the line state</source>
        <translation>%1 ist größer als %2 KiB und damit zu groß für den Leitungszustand</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>Modules</name>
    <message>
        <source>no folder to look in</source>
        <translation>kein Ordner zum Suchen</translation>
    </message>
</context>
<context>
    <name>NotifyIcon</name>
    <message>
        <source>Vantrel runs without a tray icon</source>
        <translation>Vantrel läuft ohne Symbol im Systembereich</translation>
    </message>
    <message>
        <source>No system tray was found on this desktop. Vantrel keeps running; its icon appears as soon as a tray is there. To get one, add a system tray (notification area) to your panel, or on GNOME install and enable the AppIndicator extension.</source>
        <translation>Auf dieser Arbeitsfläche wurde kein Systembereich gefunden. Vantrel läuft weiter; sein Symbol erscheint, sobald ein Systembereich da ist. Fügen Sie dazu Ihrer Leiste einen Systembereich (Benachrichtigungsfeld) hinzu, oder installieren und aktivieren Sie unter GNOME die Erweiterung AppIndicator.</translation>
    </message>
</context>
<context>
    <name>Phonebook</name>
    <message>
        <source>an answer in the list is empty</source>
        <translation>eine Antwort in der Liste ist leer</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not an answer (connect, busy, noanswer or authfail)</source>
        <translation>„%1“ ist keine Antwort (connect, busy, noanswer oder authfail)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is neither a number of seconds (0 to 3600) nor an IPv4 address</source>
        <translation>„%1“ ist weder eine Anzahl Sekunden (0 bis 3600) noch eine IPv4-Adresse</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not an IPv4 address</source>
        <translation>„%1“ ist keine IPv4-Adresse</translation>
    </message>
    <message>
        <source>unexpected &quot;%1&quot; after %2</source>
        <translation>unerwartetes „%1“ nach %2</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>not valid UTF-8 text; the line is skipped.</source>
        <translation>kein gültiger UTF-8-Text; die Zeile wird übergangen.</translation>
    </message>
    <message>
        <source>an entry header must end with &quot;]&quot;; the entry is skipped.</source>
        <translation>ein Eintragskopf muss mit „]“ enden; der Eintrag wird übergangen.</translation>
    </message>
    <message>
        <source>the entry has no name; it is skipped.</source>
        <translation>der Eintrag hat keinen Namen; er wird übergangen.</translation>
    </message>
    <message>
        <source>the entry name is longer than %1 bytes; the entry is skipped.</source>
        <translation>der Eintragsname ist länger als %1 Bytes; der Eintrag wird übergangen.</translation>
    </message>
    <message>
        <source>the entry name holds control characters or brackets; the entry is skipped.</source>
        <translation>der Eintragsname enthält Steuerzeichen oder eckige Klammern; der Eintrag wird übergangen.</translation>
    </message>
    <message>
        <source>entry &quot;%1&quot; appears twice; the second one is skipped.</source>
        <translation>der Eintrag „%1“ kommt zweimal vor; der zweite wird übergangen.</translation>
    </message>
    <message>
        <source>expected [entry name], Key=value or a comment; the line is skipped.</source>
        <translation>erwartet wurde [Eintragsname], Schlüssel=Wert oder ein Kommentar; die Zeile wird übergangen.</translation>
    </message>
    <message>
        <source>a value before the first [entry]; the line is skipped.</source>
        <translation>ein Wert vor dem ersten [Eintrag]; die Zeile wird übergangen.</translation>
    </message>
    <message>
        <source>unknown key &quot;%1&quot; (known: UserName, Password, Answer, Device); the line is skipped.</source>
        <translation>unbekannter Schlüssel „%1“ (bekannt: UserName, Password, Answer, Device); die Zeile wird übergangen.</translation>
    </message>
    <message>
        <source>%1 is given twice for &quot;%2&quot;; the later line is skipped.</source>
        <translation>%1 ist für „%2“ zweimal angegeben; die spätere Zeile wird übergangen.</translation>
    </message>
    <message>
        <source>%1 is longer than %2 bytes; the line is skipped.</source>
        <translation>%1 ist länger als %2 Bytes; die Zeile wird übergangen.</translation>
    </message>
    <message>
        <source>%1 holds control characters; the line is skipped.</source>
        <translation>%1 enthält Steuerzeichen; die Zeile wird übergangen.</translation>
    </message>
    <message>
        <source>Answer: %1; the line is skipped and &quot;%2&quot; connects.</source>
        <translation>Answer: %1; die Zeile wird übergangen, und „%2“ verbindet.</translation>
    </message>
</context>
<context>
    <name>PrivateFolder</name>
    <message>
        <source>%1 cannot be looked at: %2</source>
        <translation>%1 kann nicht untersucht werden: %2</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 ist kein Ordner</translation>
    </message>
    <message>
        <source>the folder %1 belongs to another user (user id %2)</source>
        <translation>der Ordner %1 gehört einem anderen Benutzer (Benutzerkennung %2)</translation>
    </message>
    <message>
        <source>the folder %1 is open to other users (mode %2 instead of 0700)</source>
        <translation>der Ordner %1 ist für andere Benutzer offen (Modus %2 statt 0700)</translation>
    </message>
</context>
<context>
    <name>RasBackend</name>
    <message>
        <source>VANTREL_RAS_BACKEND is &quot;%1&quot;, which is neither &quot;nm&quot; nor &quot;simline&quot;; the backend is chosen as if it were not set.</source>
        <translation>VANTREL_RAS_BACKEND ist „%1“, also weder „nm“ noch „simline“; die Anbindung wird gewählt, als wäre die Variable nicht gesetzt.</translation>
    </message>
</context>
<context>
    <name>RasStatusText</name>
    <message>
        <source>The connection handle is not valid; the connection may have ended.</source>
        <translation>Die Verbindung ist nicht mehr gültig; vielleicht wurde sie beendet.</translation>
    </message>
    <message>
        <source>There is not enough memory to complete the operation.</source>
        <translation>Für diesen Vorgang ist nicht genug Arbeitsspeicher frei.</translation>
    </message>
    <message>
        <source>A value passed to the remote access service is not valid.</source>
        <translation>Ein Wert, der dem Einwähldienst übergeben wurde, ist ungültig.</translation>
    </message>
    <message>
        <source>The buffer given for the text is too small.</source>
        <translation>Der Puffer für den Text ist zu klein.</translation>
    </message>
    <message>
        <source>The operation has not finished yet.</source>
        <translation>Der Vorgang ist noch nicht abgeschlossen.</translation>
    </message>
    <message>
        <source>The port handle is not valid.</source>
        <translation>Der Anschluss ist nicht mehr gültig.</translation>
    </message>
    <message>
        <source>The port is already open.</source>
        <translation>Der Anschluss ist bereits geöffnet.</translation>
    </message>
    <message>
        <source>The buffer given is too small for the information asked for.</source>
        <translation>Der Puffer ist für die angeforderten Angaben zu klein.</translation>
    </message>
    <message>
        <source>The port information given is wrong.</source>
        <translation>Die Angaben zum Anschluss sind falsch.</translation>
    </message>
    <message>
        <source>The port is not connected.</source>
        <translation>Der Anschluss ist nicht verbunden.</translation>
    </message>
    <message>
        <source>The device does not exist.</source>
        <translation>Das Gerät ist nicht vorhanden.</translation>
    </message>
    <message>
        <source>The port could not be found.</source>
        <translation>Der Anschluss wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The connection is already being closed.</source>
        <translation>Die Verbindung wird bereits getrennt.</translation>
    </message>
    <message>
        <source>The port is not open.</source>
        <translation>Der Anschluss ist nicht geöffnet.</translation>
    </message>
    <message>
        <source>The line was dropped.</source>
        <translation>Die Leitung wurde unterbrochen.</translation>
    </message>
    <message>
        <source>The phonebook file cannot be opened.</source>
        <translation>Die Telefonbuchdatei kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The phonebook file cannot be read.</source>
        <translation>Die Telefonbuchdatei kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The phonebook has no entry of that name.</source>
        <translation>Das Telefonbuch enthält keinen Eintrag mit diesem Namen.</translation>
    </message>
    <message>
        <source>The phonebook file cannot be written.</source>
        <translation>Die Telefonbuchdatei kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>The phonebook holds information that is not valid.</source>
        <translation>Das Telefonbuch enthält ungültige Angaben.</translation>
    </message>
    <message>
        <source>The connection was closed.</source>
        <translation>Die Verbindung wurde getrennt.</translation>
    </message>
    <message>
        <source>The remote computer closed the connection.</source>
        <translation>Die Gegenstelle hat die Verbindung getrennt.</translation>
    </message>
    <message>
        <source>The connection was closed because the device failed.</source>
        <translation>Die Verbindung wurde getrennt, weil das Gerät ausgefallen ist.</translation>
    </message>
    <message>
        <source>The connection was closed by the user.</source>
        <translation>Die Verbindung wurde vom Benutzer getrennt.</translation>
    </message>
    <message>
        <source>A record passed to the remote access service has the wrong size.</source>
        <translation>Ein Datensatz, der dem Einwähldienst übergeben wurde, hat die falsche Größe.</translation>
    </message>
    <message>
        <source>The port is in use or is not set up for dialling out.</source>
        <translation>Der Anschluss ist belegt oder nicht für ausgehende Anrufe eingerichtet.</translation>
    </message>
    <message>
        <source>The computer could not be registered on the remote network.</source>
        <translation>Der Computer konnte nicht im entfernten Netzwerk angemeldet werden.</translation>
    </message>
    <message>
        <source>An error of unknown cause occurred.</source>
        <translation>Es ist ein Fehler unbekannter Ursache aufgetreten.</translation>
    </message>
    <message>
        <source>The request took too long and was given up.</source>
        <translation>Die Anfrage hat zu lange gedauert und wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The line is busy. Try again later.</source>
        <translation>Die Leitung ist besetzt. Versuchen Sie es später noch einmal.</translation>
    </message>
    <message>
        <source>A voice answered instead of a modem.</source>
        <translation>Statt eines Modems hat sich eine Stimme gemeldet.</translation>
    </message>
    <message>
        <source>The number dialled did not answer.</source>
        <translation>Unter der gewählten Nummer meldet sich niemand.</translation>
    </message>
    <message>
        <source>No carrier: the modems could not agree on a connection.</source>
        <translation>Kein Trägersignal: Die Modems konnten sich nicht auf eine Verbindung einigen.</translation>
    </message>
    <message>
        <source>There is no dial tone. Check that the line is plugged in.</source>
        <translation>Kein Wählton. Prüfen Sie, ob das Telefonkabel eingesteckt ist.</translation>
    </message>
    <message>
        <source>The remote network did not accept the user name or password.</source>
        <translation>Das entfernte Netzwerk hat den Benutzernamen oder das Kennwort nicht angenommen.</translation>
    </message>
    <message>
        <source>The remote computer did not answer in time.</source>
        <translation>Die Gegenstelle hat nicht rechtzeitig geantwortet.</translation>
    </message>
    <message>
        <source>The remote computer does not respond.</source>
        <translation>Die Gegenstelle antwortet nicht.</translation>
    </message>
    <message>
        <source>The connection has no network address yet.</source>
        <translation>Die Verbindung hat noch keine Netzwerkadresse.</translation>
    </message>
    <message>
        <source>The connection has no IPv4 address.</source>
        <translation>Die Verbindung hat keine IPv4-Adresse.</translation>
    </message>
    <message>
        <source>NetworkManager is not running, so no connection can be listed or made.</source>
        <translation>NetworkManager läuft nicht, daher können keine Verbindungen aufgelistet oder hergestellt werden.</translation>
    </message>
    <message>
        <source>NetworkManager stopped while the connection was being made.</source>
        <translation>NetworkManager wurde beendet, während die Verbindung aufgebaut wurde.</translation>
    </message>
    <message>
        <source>NetworkManager had no password or key for the connection (no secrets).</source>
        <translation>NetworkManager hatte für die Verbindung weder ein Kennwort noch einen Schlüssel.</translation>
    </message>
    <message>
        <source>NetworkManager gave up: the connection attempt timed out.</source>
        <translation>NetworkManager hat aufgegeben: Der Verbindungsversuch hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>The device of the connection was removed.</source>
        <translation>Das Gerät der Verbindung wurde entfernt.</translation>
    </message>
    <message>
        <source>NetworkManager has no device that can carry this connection now.</source>
        <translation>NetworkManager hat zurzeit kein Gerät, über das diese Verbindung laufen kann.</translation>
    </message>
    <message>
        <source>NetworkManager does not allow this user to start or stop the connection.</source>
        <translation>NetworkManager erlaubt diesem Benutzer nicht, die Verbindung herzustellen oder zu trennen.</translation>
    </message>
    <message>
        <source>The VPN service of the connection stopped.</source>
        <translation>Der VPN-Dienst der Verbindung wurde beendet.</translation>
    </message>
    <message>
        <source>NetworkManager could not start the VPN service of the connection.</source>
        <translation>NetworkManager konnte den VPN-Dienst der Verbindung nicht starten.</translation>
    </message>
    <message>
        <source>The connection got no valid network address.</source>
        <translation>Die Verbindung hat keine gültige Netzwerkadresse erhalten.</translation>
    </message>
    <message>
        <source>The connection was deleted from NetworkManager.</source>
        <translation>Die Verbindung wurde in NetworkManager gelöscht.</translation>
    </message>
    <message>
        <source>A connection this one depends on could not be brought up.</source>
        <translation>Eine Verbindung, von der diese abhängt, konnte nicht hergestellt werden.</translation>
    </message>
    <message>
        <source>The modem&apos;s SIM card is missing, locked (PIN or PUK) or was refused.</source>
        <translation>Die SIM-Karte des Modems fehlt, ist gesperrt (PIN oder PUK) oder wurde abgelehnt.</translation>
    </message>
    <message>
        <source>The modem could not register with the mobile network or its APN.</source>
        <translation>Das Modem konnte sich nicht im Mobilfunknetz oder an seinem Zugangspunkt (APN) anmelden.</translation>
    </message>
    <message>
        <source>The PPP link could not be started or broke down.</source>
        <translation>Die PPP-Verbindung konnte nicht gestartet werden oder ist abgebrochen.</translation>
    </message>
    <message>
        <source>The Bluetooth link to the phone failed or timed out.</source>
        <translation>Die Bluetooth-Verbindung zum Telefon ist fehlgeschlagen oder hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>The line cannot be used for dialling now.</source>
        <translation>Über die Leitung kann zurzeit nicht gewählt werden.</translation>
    </message>
    <message>
        <source>NetworkManager could not bring the connection up and gave no reason.</source>
        <translation>NetworkManager konnte die Verbindung nicht herstellen und hat keinen Grund genannt.</translation>
    </message>
    <message>
        <source>Remote access error %1.</source>
        <translation>Einwahlfehler %1.</translation>
    </message>
    <message>
        <source>Opening port</source>
        <translation>Anschluss wird geöffnet</translation>
    </message>
    <message>
        <source>Port opened</source>
        <translation>Anschluss geöffnet</translation>
    </message>
    <message>
        <source>Connecting device</source>
        <translation>Gerät wird verbunden</translation>
    </message>
    <message>
        <source>Device connected</source>
        <translation>Gerät verbunden</translation>
    </message>
    <message>
        <source>All devices connected</source>
        <translation>Alle Geräte verbunden</translation>
    </message>
    <message>
        <source>Authenticating</source>
        <translation>Anmeldung läuft</translation>
    </message>
    <message>
        <source>Authentication: notify</source>
        <translation>Anmeldung: Benachrichtigung</translation>
    </message>
    <message>
        <source>Authentication: retry</source>
        <translation>Anmeldung: neuer Versuch</translation>
    </message>
    <message>
        <source>Authentication: callback</source>
        <translation>Anmeldung: Rückruf</translation>
    </message>
    <message>
        <source>Authentication: change password</source>
        <translation>Anmeldung: Kennwort ändern</translation>
    </message>
    <message>
        <source>Authentication: projecting</source>
        <translation>Protokolle werden ausgehandelt</translation>
    </message>
    <message>
        <source>Authentication: link speed</source>
        <translation>Anmeldung: Verbindungsgeschwindigkeit</translation>
    </message>
    <message>
        <source>Authentication: acknowledge</source>
        <translation>Anmeldung: Bestätigung</translation>
    </message>
    <message>
        <source>Authentication: reauthenticate</source>
        <translation>Erneute Anmeldung</translation>
    </message>
    <message>
        <source>Authenticated</source>
        <translation>Angemeldet</translation>
    </message>
    <message>
        <source>Preparing for callback</source>
        <translation>Rückruf wird vorbereitet</translation>
    </message>
    <message>
        <source>Waiting for modem reset</source>
        <translation>Modem wird zurückgesetzt</translation>
    </message>
    <message>
        <source>Waiting for callback</source>
        <translation>Warten auf Rückruf</translation>
    </message>
    <message>
        <source>Projected</source>
        <translation>Protokolle ausgehandelt</translation>
    </message>
    <message>
        <source>Start authentication</source>
        <translation>Anmeldung beginnt</translation>
    </message>
    <message>
        <source>Callback complete</source>
        <translation>Rückruf abgeschlossen</translation>
    </message>
    <message>
        <source>Logging on network</source>
        <translation>Anmeldung am Netzwerk</translation>
    </message>
    <message>
        <source>Interactive</source>
        <translation>Eingabe erforderlich</translation>
    </message>
    <message>
        <source>Retry Authentication</source>
        <translation>Anmeldung wiederholen</translation>
    </message>
    <message>
        <source>Callback set by caller</source>
        <translation>Rückruf vom Anrufer festgelegt</translation>
    </message>
    <message>
        <source>Password expired</source>
        <translation>Kennwort abgelaufen</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
</context>
<context>
    <name>RegularFile</name>
    <message>
        <source>not a regular file</source>
        <translation>keine gewöhnliche Datei</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>Can&apos;t read Cyclic connections info. Cycle is disabled.</source>
        <translation>Die Angaben zum Verbindungszyklus können nicht gelesen werden. Der Zyklus ist ausgeschaltet.</translation>
    </message>
</context>
<context>
    <name>SimLine</name>
    <message>
        <source>Cannot create the phonebook %1.</source>
        <translation>Das Telefonbuch %1 kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Cannot read the phonebook %1: it is larger than %2 KiB, too large to be a phonebook.</source>
        <translation>Das Telefonbuch %1 kann nicht gelesen werden: Es ist größer als %2 KiB und damit zu groß für ein Telefonbuch.</translation>
    </message>
    <message>
        <source>Cannot read the phonebook %1: %2.</source>
        <translation>Das Telefonbuch %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Some lines of the phonebook %1 were skipped:
%2</source>
        <translation>Einige Zeilen des Telefonbuchs %1 wurden übergangen:
%2</translation>
    </message>
    <message>
        <source>The simulated line cannot dial: %1.</source>
        <translation>Die simulierte Leitung kann nicht wählen: %1.</translation>
    </message>
</context>
<context>
    <name>WavePlayer</name>
    <message>
        <source>Sounds cannot be played: the sound module %1 could not be loaded (%2)</source>
        <translation>Klänge können nicht abgespielt werden: Das Klangmodul %1 konnte nicht geladen werden (%2)</translation>
    </message>
    <message>
        <source>Sounds cannot be played: the sound module is not installed. Install the package %1 (for example: sudo apt install %1), then choose the sound again.</source>
        <translation>Klänge können nicht abgespielt werden: Das Klangmodul ist nicht installiert. Installieren Sie das Paket %1 (zum Beispiel: sudo apt install %1) und wählen Sie den Klang danach erneut.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a playable wave file: %2</source>
        <translation>&apos;%1&apos; ist keine abspielbare WAV-Datei: %2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be read: %2</source>
        <translation>&apos;%1&apos; kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>it is not a RIFF WAVE file</source>
        <translation>sie ist keine RIFF-WAVE-Datei</translation>
    </message>
    <message>
        <source>its format chunk is too short</source>
        <translation>ihr Formatabschnitt ist zu kurz</translation>
    </message>
    <message>
        <source>its format chunk is cut short</source>
        <translation>ihr Formatabschnitt ist abgeschnitten</translation>
    </message>
    <message>
        <source>its samples are not plain PCM (format %1)</source>
        <translation>ihre Abtastwerte sind kein einfaches PCM (Format %1)</translation>
    </message>
    <message>
        <source>%1-bit samples are not supported</source>
        <translation>Abtastwerte mit %1 Bit werden nicht unterstützt</translation>
    </message>
    <message>
        <source>it names no channels or no sample rate</source>
        <translation>sie nennt keine Kanäle oder keine Abtastrate</translation>
    </message>
    <message>
        <source>it has no format chunk before its samples</source>
        <translation>sie hat vor ihren Abtastwerten keinen Formatabschnitt</translation>
    </message>
    <message>
        <source>it holds no sound</source>
        <translation>sie enthält keinen Klang</translation>
    </message>
    <message>
        <source>it has no sound data</source>
        <translation>sie hat keine Klangdaten</translation>
    </message>
    <message>
        <source>it has no format chunk</source>
        <translation>sie hat keinen Formatabschnitt</translation>
    </message>
</context>
<context>
    <name>WaylandClipboard</name>
    <message>
        <source>its module vantrel-wayland was not found (%1)</source>
        <translation>das Modul vantrel-wayland wurde nicht gefunden (%1)</translation>
    </message>
    <message>
        <source>the desktop did not give Vantrel&apos;s copy window the keyboard focus that a program needs to copy</source>
        <translation>die Arbeitsfläche hat dem Kopierfenster von Vantrel nicht den Tastaturfokus gegeben, den ein Programm zum Kopieren braucht</translation>
    </message>
    <message>
        <source>the Wayland display could not be reached</source>
        <translation>die Wayland-Anzeige ist nicht erreichbar</translation>
    </message>
    <message>
        <source>the Wayland display did not answer</source>
        <translation>die Wayland-Anzeige hat nicht geantwortet</translation>
    </message>
    <message>
        <source>the Wayland desktop offers no window that could take the keyboard focus</source>
        <translation>die Wayland-Arbeitsfläche bietet kein Fenster, das den Tastaturfokus bekommen könnte</translation>
    </message>
    <message>
        <source>the Wayland desktop offers no clipboard</source>
        <translation>die Wayland-Arbeitsfläche bietet keine Zwischenablage</translation>
    </message>
    <message>
        <source>the Wayland desktop has no keyboard, and a program can copy only while it has the keyboard focus</source>
        <translation>die Wayland-Arbeitsfläche hat keine Tastatur, und ein Programm kann nur kopieren, während es den Tastaturfokus hat</translation>
    </message>
    <message>
        <source>the connection to the Wayland display broke</source>
        <translation>die Verbindung zur Wayland-Anzeige ist abgebrochen</translation>
    </message>
    <message>
        <source>Vantrel could not make its copy window (%1)</source>
        <translation>Vantrel konnte sein Kopierfenster nicht anlegen (%1)</translation>
    </message>
</context>
<context>
    <name>about_text</name>
    <message>
        <source>Version 4.12</source>
        <translation>Version 4.12</translation>
    </message>
</context>
<context>
    <name>cnx_text</name>
    <message>
        <source>RAS Connections</source>
        <translation>Wählverbindungen</translation>
    </message>
    <message>
        <source>&lt;empty&gt;</source>
        <translation>&lt;leer&gt;</translation>
    </message>
    <message>
        <source>&amp;Add this item to Cycle</source>
        <translation>Eintrag zum &amp;Zyklus hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove this item from Cycle</source>
        <translation>Eintrag aus dem Zyklus &amp;entfernen</translation>
    </message>
    <message>
        <source>Can&apos;t get the list of RAS connections</source>
        <translation>Die Liste der Wählverbindungen kann nicht abgerufen werden</translation>
    </message>
    <message>
        <source>No RAS Connections configured.</source>
        <translation>Keine Wählverbindungen eingerichtet.</translation>
    </message>
    <message>
        <source>Multiple selections</source>
        <translation>Mehrfachauswahl</translation>
    </message>
</context>
<context>
    <name>config_text</name>
    <message>
        <source>Configured as:  Dialup connection</source>
        <translation>Eingerichtet als:  Wählverbindung</translation>
    </message>
    <message>
        <source>Configured as:  LAN connection</source>
        <translation>Eingerichtet als:  LAN-Verbindung</translation>
    </message>
</context>
<context>
    <name>details_text</name>
    <message>
        <source>N/A</source>
        <translation>k. A.</translation>
    </message>
</context>
<context>
    <name>dialer_text</name>
    <message>
        <source>Vantrel - </source>
        <translation>Vantrel - </translation>
    </message>
    <message>
        <source>disconnecting</source>
        <translation>Verbindung wird getrennt</translation>
    </message>
    <message>
        <source>disconnected</source>
        <translation>Verbindung getrennt</translation>
    </message>
    <message>
        <source>The line did not report that it was gone. Vantrel goes on with the next entry.</source>
        <translation>Die Leitung hat nicht gemeldet, dass sie getrennt ist. Vantrel fährt mit dem nächsten Eintrag fort.</translation>
    </message>
</context>
<context>
    <name>log_text</name>
    <message>
        <source>Vantrel Confirm Request</source>
        <translation>Vantrel-Rückfrage</translation>
    </message>
    <message>
        <source>   Are you sure?   </source>
        <translation>   Sind Sie sicher?   </translation>
    </message>
    <message>
        <source>Log file deleted.</source>
        <translation>Protokolldatei gelöscht.</translation>
    </message>
    <message>
        <source>Clear Failed.</source>
        <translation>Leeren fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>monitor_text</name>
    <message>
        <source>No TCP/IP Stack available</source>
        <translation>Kein TCP/IP-Stack verfügbar</translation>
    </message>
    <message>
        <source>Looking for IP Address...</source>
        <translation>IP-Adresse wird gesucht...</translation>
    </message>
    <message>
        <source>Network is down</source>
        <translation>Keine Netzwerkverbindung</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <source>&amp;Disconnect</source>
        <translation>&amp;Trennen</translation>
    </message>
    <message>
        <source>IP Address:      </source>
        <translation>IP-Adresse:      </translation>
    </message>
    <message>
        <source>  Log File not found.  </source>
        <translation>  Protokolldatei nicht gefunden.  </translation>
    </message>
</context>
<context>
    <name>vantrel::Additions</name>
    <message>
        <source>&amp;Network addresses...</source>
        <translation>&amp;Netzwerkadressen...</translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation>Ein&amp;stellungen...</translation>
    </message>
</context>
<context>
    <name>sockets_text</name>
    <message>
        <source>Vantrel sockets layer 1.1 on the POSIX network stack</source>
        <translation>Vantrel-Socket-Schicht 1.1 auf dem POSIX-Netzwerkstack</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>In Betrieb</translation>
    </message>
    <message>
        <source>Running on %1</source>
        <translation>In Betrieb unter %1</translation>
    </message>
</context>
<context>
    <name>vantrel::Alarm</name>
    <message>
        <source>No Sound File selected.</source>
        <translation>Keine Klangdatei ausgewählt.</translation>
    </message>
    <message>
        <source>Sound File not found.</source>
        <translation>Klangdatei nicht gefunden.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be played</source>
        <translation>&apos;%1&apos; kann nicht abgespielt werden</translation>
    </message>
</context>
<context>
    <name>vantrel::EventNotices</name>
    <message>
        <source>Connection up</source>
        <translation>Verbindung hergestellt</translation>
    </message>
    <message>
        <source>Address %1</source>
        <translation>Adresse %1</translation>
    </message>
    <message>
        <source>%1, address %2</source>
        <translation>%1, Adresse %2</translation>
    </message>
    <message>
        <source>Connection dropped</source>
        <translation>Verbindung abgebrochen</translation>
    </message>
    <message>
        <source>The connection went down without being hung up.</source>
        <translation>Die Verbindung ist abgebrochen, ohne dass sie getrennt wurde.</translation>
    </message>
    <message>
        <source>%1 went down without being hung up.</source>
        <translation>%1 ist abgebrochen, ohne dass die Verbindung getrennt wurde.</translation>
    </message>
    <message>
        <source>Address changed</source>
        <translation>Adresse geändert</translation>
    </message>
    <message>
        <source>from %1 to %2</source>
        <translation>von %1 zu %2</translation>
    </message>
    <message>
        <source>No connection</source>
        <translation>Keine Verbindung</translation>
    </message>
    <message>
        <source>The dial run over %1 ended without a connection.</source>
        <translation>Das Wählen über %1 endete ohne Verbindung.</translation>
    </message>
    <message>
        <source>Public IPv4 address changed</source>
        <translation>Öffentliche IPv4-Adresse geändert</translation>
    </message>
    <message>
        <source>Public IPv6 address changed</source>
        <translation>Öffentliche IPv6-Adresse geändert</translation>
    </message>
</context>
<context>
    <name>vantrel::MessageBoxes</name>
    <message>
        <source>Vantrel Message</source>
        <translation>Vantrel-Meldung</translation>
    </message>
</context>
<context>
    <name>vantrel::SettingsStore</name>
    <message>
        <source>Your settings could not be saved.</source>
        <translation>Ihre Einstellungen konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Your settings could not be saved in &quot;%1&quot;.</source>
        <translation>Ihre Einstellungen konnten nicht in &quot;%1&quot; gespeichert werden.</translation>
    </message>
    <message>
        <source>Your settings could not be saved in &quot;%1&quot;: %2.</source>
        <translation>Ihre Einstellungen konnten nicht in &quot;%1&quot; gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>They stay in effect until Vantrel ends, and are saved as soon as they can be written.</source>
        <translation>Sie bleiben wirksam, bis Vantrel endet, und werden gespeichert, sobald sie geschrieben werden können.</translation>
    </message>
</context>
<context>
    <name>vantrel::PublicAddress</name>
    <message>
        <source>%1: the name was not found (%2)</source>
        <translation>%1: Der Name wurde nicht gefunden (%2)</translation>
    </message>
    <message>
        <source>%1: the answer cannot be read: %2</source>
        <translation>%1: Die Antwort ist nicht lesbar: %2</translation>
    </message>
    <message>
        <source>%1: refused (%2 %3)</source>
        <translation>%1: abgelehnt (%2 %3)</translation>
    </message>
    <message>
        <source>%1: the answer names an address of the other family</source>
        <translation>%1: Die Antwort nennt eine Adresse der anderen Familie</translation>
    </message>
    <message>
        <source>%1: no answer within %2 s</source>
        <translation>%1: keine Antwort innerhalb von %2 s</translation>
    </message>
    <message>
        <source>no server of the list is reached over IPv4</source>
        <translation>kein Server der Liste ist über IPv4 erreichbar</translation>
    </message>
    <message>
        <source>no server of the list is reached over IPv6</source>
        <translation>kein Server der Liste ist über IPv6 erreichbar</translation>
    </message>
</context>
<context>
    <name>vantrel::TMsgAlarm</name>
    <message>
        <source>Vantrel Alarm</source>
        <translation>Vantrel-Alarm</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Alarm message</source>
        <translation>Alarmmeldung</translation>
    </message>
</context>
<context>
    <name>vantrel::TVantrelWSInfo</name>
    <message>
        <source>Vantrel - Winsock Information</source>
        <translation>Vantrel - Netzwerkinformationen</translation>
    </message>
    <message>
        <source>System Status</source>
        <translation>Systemstatus</translation>
    </message>
    <message>
        <source>Max Sockets</source>
        <translation>Max. Sockets</translation>
    </message>
    <message>
        <source>C&amp;onfigure</source>
        <translation>&amp;Einrichten</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmAbout</name>
    <message>
        <source>About Vantrel</source>
        <translation>Über Vantrel</translation>
    </message>
    <message>
        <source>Your address, one glance away.</source>
        <translation>Ihre Adresse auf einen Blick.</translation>
    </message>
    <message>
        <source>This software is distributed &apos;as is&apos;. I don&apos;t assume any responsibility for any damage or data loss. Thanks to everyone who tried it early.</source>
        <translation>Diese Software wird ohne Gewähr weitergegeben. Ich übernehme keine Haftung für Schäden oder Datenverluste. Danke an alle, die sie schon früh ausprobiert haben.</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Notice</source>
        <translation>Hinweis</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmAddresses</name>
    <message>
        <source>Network addresses</source>
        <translation>Netzwerkadressen</translation>
    </message>
    <message>
        <source>Interface</source>
        <translation>Schnittstelle</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Hinweise</translation>
    </message>
    <message>
        <source>Addresses</source>
        <translation>Adressen</translation>
    </message>
    <message>
        <source>Click a row or press Ctrl+C to copy its address.</source>
        <translation>Klicken Sie auf eine Zeile oder drücken Sie Strg+C, um ihre Adresse zu kopieren.</translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation>Ein&amp;stellungen...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>IPv6</source>
        <translation>IPv6</translation>
    </message>
    <message>
        <source>IPv4</source>
        <translation>IPv4</translation>
    </message>
    <message>
        <source>default route</source>
        <translation>Standardroute</translation>
    </message>
    <message>
        <source>loopback</source>
        <translation>Loopback</translation>
    </message>
    <message>
        <source>link-local</source>
        <translation>verbindungslokal</translation>
    </message>
    <message>
        <source>temporary</source>
        <translation>temporär</translation>
    </message>
    <message>
        <source>deprecated</source>
        <translation>veraltet</translation>
    </message>
    <message>
        <source>tentative</source>
        <translation>vorläufig</translation>
    </message>
    <message>
        <source>Public IPv4</source>
        <translation>Öffentl. IPv4</translation>
    </message>
    <message>
        <source>Public IPv6</source>
        <translation>Öffentl. IPv6</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>Turn the lookup on in Preferences.</source>
        <translation>Schalten Sie die Abfrage in den Einstellungen ein.</translation>
    </message>
    <message>
        <source>%1 from %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>keine Antwort</translation>
    </message>
    <message>
        <source>asking...</source>
        <translation>wird abgefragt...</translation>
    </message>
    <message>
        <source>Copied %1.</source>
        <translation>%1 kopiert.</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmAlarm</name>
    <message>
        <source>Configure Vantrel Alarm</source>
        <translation>Vantrel-Alarm einrichten</translation>
    </message>
    <message>
        <source>set</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>once</source>
        <translation>einmal</translation>
    </message>
    <message>
        <source>every</source>
        <translation>alle</translation>
    </message>
    <message>
        <source>at</source>
        <translation>nach</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Action:</source>
        <translation>Aktion:</translation>
    </message>
    <message>
        <source>System beep</source>
        <translation>Systemton</translation>
    </message>
    <message>
        <source>Play sound</source>
        <translation>Klang abspielen</translation>
    </message>
    <message>
        <source>Message box</source>
        <translation>Meldungsfenster</translation>
    </message>
    <message>
        <source>Enable Alarm</source>
        <translation>Alarm einschalten</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; ist keine gültige ganze Zahl</translation>
    </message>
    <message>
        <source>  File not found.  </source>
        <translation>  Datei nicht gefunden.  </translation>
    </message>
    <message>
        <source>Choose a sound file</source>
        <translation>Klangdatei wählen</translation>
    </message>
    <message>
        <source>Wave files (*.wav)</source>
        <translation>WAV-Dateien (*.wav)</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Wiederholung</translation>
    </message>
    <message>
        <source>Sound file</source>
        <translation>Klangdatei</translation>
    </message>
    <message>
        <source>Message text</source>
        <translation>Meldungstext</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmAsk</name>
    <message>
        <source>Vantrel -</source>
        <translation>Vantrel -</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Kennwort</translation>
    </message>
    <message>
        <source>&amp;Skip</source>
        <translation>&amp;Überspringen</translation>
    </message>
    <message>
        <source>&amp;Abort</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Vantrel - </source>
        <translation>Vantrel - </translation>
    </message>
</context>
<context>
    <name>vantrel::TfmCnx</name>
    <message>
        <source>Advanced Vantrel Configuration</source>
        <translation>Erweiterte Vantrel-Einstellungen</translation>
    </message>
    <message>
        <source>Enable RAS Connection</source>
        <translation>Wählverbindung einschalten</translation>
    </message>
    <message>
        <source>Double Click on an item to add or remove</source>
        <translation>Doppelklick auf einen Eintrag fügt ihn dem Zyklus hinzu oder nimmt ihn heraus</translation>
    </message>
    <message>
        <source>Selected connection:</source>
        <translation>Ausgewählte Verbindung:</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Kennwort:</translation>
    </message>
    <message>
        <source>Ask me for Username and Password </source>
        <translation>Nach Benutzername und Kennwort fragen </translation>
    </message>
    <message>
        <source>NOTE: If you have not saved an Username and a
Password in your RAS connection, you must check 
the following box.</source>
        <translation>HINWEIS: Wenn in Ihrer Wählverbindung kein Benutzername
und kein Kennwort gespeichert sind, müssen Sie das 
folgende Kästchen ankreuzen.</translation>
    </message>
    <message>
        <source>If busy, wait </source>
        <translation>Wenn besetzt, </translation>
    </message>
    <message>
        <source>seconds and retry</source>
        <translation>Sekunden warten und</translation>
    </message>
    <message>
        <source>times</source>
        <translation>Mal wiederholen</translation>
    </message>
    <message>
        <source>Re&amp;fresh</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>Cycle</source>
        <translation>Zyklus</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message numerus="yes">
        <source>No more than %n Cycled Connections!</source>
        <translation>
            <numerusform>Nicht mehr als %n Verbindung im Zyklus!</numerusform>
            <numerusform>Nicht mehr als %n Verbindungen im Zyklus!</numerusform>
        </translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Seconds to wait when busy</source>
        <translation>Wartezeit in Sekunden bei besetzter Leitung</translation>
    </message>
    <message>
        <source>Times to retry</source>
        <translation>Anzahl der Wiederholungen</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmConfig</name>
    <message>
        <source>Open detail</source>
        <translation>Details öffnen</translation>
    </message>
    <message>
        <source>Copy IP to Clipboard</source>
        <translation>IP-Adresse in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Connect or Disconnect</source>
        <translation>Verbinden oder trennen</translation>
    </message>
    <message>
        <source>Configure Vantrel</source>
        <translation>Vantrel einrichten</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Dialup connection</source>
        <translation>Wählverbindung</translation>
    </message>
    <message>
        <source>LAN connection</source>
        <translation>LAN-Verbindung</translation>
    </message>
    <message>
        <source>Check this box if you have not a fixed IP address. In other words, you are using a modem connection with Remote Access.</source>
        <translation>Kreuzen Sie dieses Kästchen an, wenn Sie keine feste IP-Adresse haben, sich also per Modem einwählen.</translation>
    </message>
    <message>
        <source>Check this box if you have a fixed IP address.</source>
        <translation>Kreuzen Sie dieses Kästchen an, wenn Sie eine feste IP-Adresse haben.</translation>
    </message>
    <message>
        <source> Double Click Action </source>
        <translation> Aktion bei Doppelklick </translation>
    </message>
    <message>
        <source>Animated icon</source>
        <translation>Animiertes Symbol</translation>
    </message>
    <message>
        <source>Log File</source>
        <translation>Protokoll führen</translation>
    </message>
    <message>
        <source>Advanced...</source>
        <translation>Erweitert...</translation>
    </message>
    <message>
        <source>&amp;Alarm...</source>
        <translation>&amp;Alarm...</translation>
    </message>
    <message>
        <source>Run at startup</source>
        <translation>Beim Anmelden starten</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmConnect</name>
    <message>
        <source>Vantrel Message</source>
        <translation>Vantrel-Meldung</translation>
    </message>
    <message>
        <source>&amp;Abort</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Skip</source>
        <translation>&amp;Überspringen</translation>
    </message>
    <message>
        <source>Connection state</source>
        <translation>Verbindungsstatus</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmHintIP</name>
    <message>
        <source>Your address, always</source>
        <translation>Ihre Adresse, immer</translation>
    </message>
    <message>
        <source>one glance away:</source>
        <translation>auf einen Blick:</translation>
    </message>
    <message>
        <source>Hint</source>
        <translation>Hinweis</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmLog</name>
    <message>
        <source>Vantrel Log</source>
        <translation>Vantrel-Protokoll</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Cannot open file %1</source>
        <translation>Datei %1 kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Cannot open file %1: %2</source>
        <translation>Datei %1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>The log is larger than %1 MiB: only its first %1 MiB are shown.</source>
        <translation>Das Protokoll ist größer als %1 MiB: Nur die ersten %1 MiB werden angezeigt.</translation>
    </message>
    <message>
        <source>The log has more than %1 lines: only its first %1 are shown.</source>
        <translation>Das Protokoll hat mehr als %1 Zeilen: Nur die ersten %1 werden angezeigt.</translation>
    </message>
    <message>
        <source>Connection log</source>
        <translation>Verbindungsprotokoll</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmLogo</name>
    <message>
        <source>Keeps an eye on your line.</source>
        <translation>Behält Ihre Leitung im Auge.</translation>
    </message>
    <message>
        <source>Version 4.12</source>
        <translation>Version 4.12</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmPreferences</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Public address</source>
        <translation>Öffentliche Adresse</translation>
    </message>
    <message>
        <source>&amp;Look up the public address</source>
        <translation>Öffentliche Adresse &amp;abfragen</translation>
    </message>
    <message>
        <source>Vantrel then sends a STUN Binding request (20 bytes that say nothing about you) over UDP, for IPv4 and for IPv6, to the first server below that answers: at start, when the network or the connection changes, and every 5 minutes. The server sees the address your requests come from, as any server you reach does.</source>
        <translation>Vantrel sendet dann eine STUN-Binding-Anfrage (20 Bytes, die nichts über Sie verraten) per UDP, für IPv4 und für IPv6, an den ersten Server der Liste, der antwortet: beim Start, wenn sich das Netzwerk oder die Verbindung ändert, und alle 5 Minuten. Der Server sieht die Adresse, von der Ihre Anfragen kommen, wie jeder Server, den Sie erreichen.</translation>
    </message>
    <message>
        <source>&amp;Servers (host or host:port, one per line):</source>
        <translation>&amp;Server (Host oder Host:Port, einer pro Zeile):</translation>
    </message>
    <message>
        <source>Servers</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Show the public address in the &amp;tip</source>
        <translation>Öffentliche Adresse im &amp;Tooltip zeigen</translation>
    </message>
    <message>
        <source>Desktop notifications</source>
        <translation>Desktop-Benachrichtigungen</translation>
    </message>
    <message>
        <source>Connection &amp;up</source>
        <translation>&amp;Verbindung hergestellt</translation>
    </message>
    <message>
        <source>Connection &amp;dropped without hanging up</source>
        <translation>Verbindung a&amp;bgebrochen, ohne getrennt zu werden</translation>
    </message>
    <message>
        <source>Local &amp;address changed</source>
        <translation>&amp;Lokale Adresse geändert</translation>
    </message>
    <message>
        <source>&amp;Public address changed</source>
        <translation>Ö&amp;ffentliche Adresse geändert</translation>
    </message>
    <message>
        <source>Dial run &amp;ended without a connection</source>
        <translation>Wählen &amp;ohne Verbindung beendet</translation>
    </message>
    <message>
        <source>These servers cannot be used: %1. Write each as a host name or address, with :port where it is not 3478, and an IPv6 address in brackets before a port: [2001:db8::1]:3478.</source>
        <translation>Diese Server sind nicht verwendbar: %1. Schreiben Sie jeden als Hostnamen oder Adresse, mit :Port, wenn er nicht 3478 ist, und eine IPv6-Adresse vor einem Port in eckigen Klammern: [2001:db8::1]:3478.</translation>
    </message>
    <message>
        <source>The lookup needs at least one server.</source>
        <translation>Die Abfrage braucht mindestens einen Server.</translation>
    </message>
    <message>
        <source>The preferences could not be stored; they hold until Vantrel ends.</source>
        <translation>Die Einstellungen konnten nicht gespeichert werden; sie gelten, bis Vantrel endet.</translation>
    </message>
</context>
<context>
    <name>vantrel::TfmVantrel</name>
    <message>
        <source>&amp;Open details...</source>
        <translation>&amp;Details öffnen...</translation>
    </message>
    <message>
        <source>Copy &amp;IP</source>
        <translation>&amp;IP kopieren</translation>
    </message>
    <message>
        <source>&amp;View Log...</source>
        <translation>&amp;Protokoll anzeigen...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>B&amp;eenden</translation>
    </message>
    <message>
        <source>Vantrel could not put &quot;%1&quot; on the clipboard: %2.</source>
        <translation>Vantrel konnte „%1“ nicht in die Zwischenablage legen: %2.</translation>
    </message>
</context>
<context>
    <name>vantrel::VantrelStartup</name>
    <message>
        <source>Vantrel is already running!</source>
        <translation>Vantrel läuft bereits!</translation>
    </message>
</context>
</TS>
