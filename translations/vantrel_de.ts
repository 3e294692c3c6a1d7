<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>RasStatusText</name>
    <message>
        <source>The connection handle is not valid; the connection may have ended.</source>
        <translation>Das Verbindungshandle ist ungültig; die Verbindung ist vielleicht beendet.</translation>
    </message>
    <message>
        <source>There is not enough memory to complete the operation.</source>
        <translation>Zu wenig Speicher, um den Vorgang abzuschließen.</translation>
    </message>
    <message>
        <source>A value passed to the remote access service is not valid.</source>
        <translation>Ein an den Remotezugriffsdienst übergebener Wert ist ungültig.</translation>
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
        <translation>Das Anschlusshandle ist ungültig.</translation>
    </message>
    <message>
        <source>The port is already open.</source>
        <translation>Der Anschluss ist bereits geöffnet.</translation>
    </message>
    <message>
        <source>The buffer given is too small for the information asked for.</source>
        <translation>Der Puffer ist zu klein für die angeforderten Informationen.</translation>
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
        <translation>Das Gerät existiert nicht.</translation>
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
        <translation>Das Telefonbuch hat keinen Eintrag dieses Namens.</translation>
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
        <translation>Der Gegenrechner hat die Verbindung getrennt.</translation>
    </message>
    <message>
        <source>The connection was closed because the device failed.</source>
        <translation>Die Verbindung wurde getrennt, weil das Gerät ausfiel.</translation>
    </message>
    <message>
        <source>The connection was closed by the user.</source>
        <translation>Die Verbindung wurde vom Benutzer getrennt.</translation>
    </message>
    <message>
        <source>A record passed to the remote access service has the wrong size.</source>
        <translation>Ein an den Remotezugriffsdienst übergebener Datensatz hat die falsche Größe.</translation>
    </message>
    <message>
        <source>The port is in use or is not set up for dialling out.</source>
        <translation>Der Anschluss ist belegt oder nicht für ausgehende Anrufe eingerichtet.</translation>
    </message>
    <message>
        <source>The computer could not be registered on the remote network.</source>
        <translation>Der Computer konnte im entfernten Netzwerk nicht angemeldet werden.</translation>
    </message>
    <message>
        <source>An error of unknown cause occurred.</source>
        <translation>Ein Fehler unbekannter Ursache ist aufgetreten.</translation>
    </message>
    <message>
        <source>The request took too long and was given up.</source>
        <translation>Die Anfrage dauerte zu lange und wurde aufgegeben.</translation>
    </message>
    <message>
        <source>The line is busy. Try again later.</source>
        <translation>Die Leitung ist besetzt. Versuchen Sie es später noch einmal.</translation>
    </message>
    <message>
        <source>A voice answered instead of a modem.</source>
        <translation>Statt eines Modems hat eine Stimme geantwortet.</translation>
    </message>
    <message>
        <source>The number dialled did not answer.</source>
        <translation>Die gewählte Nummer antwortet nicht.</translation>
    </message>
    <message>
        <source>No carrier: the modems could not agree on a connection.</source>
        <translation>Kein Träger: Die Modems konnten sich nicht auf eine Verbindung einigen.</translation>
    </message>
    <message>
        <source>There is no dial tone. Check that the line is plugged in.</source>
        <translation>Kein Wählton. Prüfen Sie, ob die Leitung eingesteckt ist.</translation>
    </message>
    <message>
        <source>The remote network did not accept the user name or password.</source>
        <translation>Das entfernte Netzwerk hat Benutzername oder Kennwort nicht angenommen.</translation>
    </message>
    <message>
        <source>The remote computer did not answer in time.</source>
        <translation>Der Gegenrechner hat nicht rechtzeitig geantwortet.</translation>
    </message>
    <message>
        <source>The remote computer does not respond.</source>
        <translation>Der Gegenrechner antwortet nicht.</translation>
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
        <translation>NetworkManager läuft nicht; daher kann keine Verbindung aufgelistet oder hergestellt werden.</translation>
    </message>
    <message>
        <source>NetworkManager stopped while the connection was being made.</source>
        <translation>NetworkManager wurde beendet, während die Verbindung aufgebaut wurde.</translation>
    </message>
    <message>
        <source>NetworkManager had no password or key for the connection (no secrets).</source>
        <translation>NetworkManager hatte kein Kennwort und keinen Schlüssel für die Verbindung (no secrets).</translation>
    </message>
    <message>
        <source>NetworkManager gave up: the connection attempt timed out.</source>
        <translation>NetworkManager hat aufgegeben: Zeitüberschreitung beim Verbindungsversuch.</translation>
    </message>
    <message>
        <source>The device of the connection was removed.</source>
        <translation>Das Gerät der Verbindung wurde entfernt.</translation>
    </message>
    <message>
        <source>NetworkManager has no device that can carry this connection now.</source>
        <translation>NetworkManager hat derzeit kein Gerät, das diese Verbindung herstellen kann.</translation>
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
        <translation>Die Verbindung wurde aus NetworkManager gelöscht.</translation>
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
        <translation>Das Modem konnte sich nicht beim Mobilfunknetz oder dessen APN anmelden.</translation>
    </message>
    <message>
        <source>The PPP link could not be started or broke down.</source>
        <translation>Die PPP-Verbindung konnte nicht gestartet werden oder ist zusammengebrochen.</translation>
    </message>
    <message>
        <source>The Bluetooth link to the phone failed or timed out.</source>
        <translation>Die Bluetooth-Verbindung zum Telefon ist fehlgeschlagen oder hat das Zeitlimit überschritten.</translation>
    </message>
    <message>
        <source>The line cannot be used for dialling now.</source>
        <translation>Die Leitung kann zurzeit nicht zum Wählen verwendet werden.</translation>
    </message>
    <message>
        <source>NetworkManager could not bring the connection up and gave no reason.</source>
        <translation>NetworkManager konnte die Verbindung nicht herstellen und nannte keinen Grund.</translation>
    </message>
    <message>
        <source>Remote access error %1.</source>
        <translation>Remotezugriffsfehler %1.</translation>
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
        <translation>Authentifizierung</translation>
    </message>
    <message>
        <source>Authentication: notify</source>
        <translation>Authentifizierung: Benachrichtigung</translation>
    </message>
    <message>
        <source>Authentication: retry</source>
        <translation>Authentifizierung: neuer Versuch</translation>
    </message>
    <message>
        <source>Authentication: callback</source>
        <translation>Authentifizierung: Rückruf</translation>
    </message>
    <message>
        <source>Authentication: change password</source>
        <translation>Authentifizierung: Kennwort ändern</translation>
    </message>
    <message>
        <source>Authentication: projecting</source>
        <translation>Authentifizierung: Projektion</translation>
    </message>
    <message>
        <source>Authentication: link speed</source>
        <translation>Authentifizierung: Verbindungsgeschwindigkeit</translation>
    </message>
    <message>
        <source>Authentication: acknowledge</source>
        <translation>Authentifizierung: Bestätigung</translation>
    </message>
    <message>
        <source>Authentication: reauthenticate</source>
        <translation>Authentifizierung: erneute Authentifizierung</translation>
    </message>
    <message>
        <source>Authenticated</source>
        <translation>Authentifiziert</translation>
    </message>
    <message>
        <source>Preparing for callback</source>
        <translation>Rückruf wird vorbereitet</translation>
    </message>
    <message>
        <source>Waiting for modem reset</source>
        <translation>Warten auf Zurücksetzen des Modems</translation>
    </message>
    <message>
        <source>Waiting for callback</source>
        <translation>Warten auf Rückruf</translation>
    </message>
    <message>
        <source>Projected</source>
        <translation>Projiziert</translation>
    </message>
    <message>
        <source>Start authentication</source>
        <translation>Authentifizierung beginnt</translation>
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
        <translation>Interaktiv</translation>
    </message>
    <message>
        <source>Retry Authentication</source>
        <translation>Authentifizierung wiederholen</translation>
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
        <translation>RAS-Verbindungen</translation>
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
        <translation>Die Liste der RAS-Verbindungen ist nicht erhältlich</translation>
    </message>
    <message>
        <source>No RAS Connections configured.</source>
        <translation>Keine RAS-Verbindungen eingerichtet.</translation>
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
        <translation>wird getrennt</translation>
    </message>
    <message>
        <source>disconnected</source>
        <translation>getrennt</translation>
    </message>
    <message>
        <source>The line did not report that it was gone. Vantrel goes on with the next entry.</source>
        <translation>Die Leitung hat ihr Ende nicht gemeldet. Vantrel fährt mit dem nächsten Eintrag fort.</translation>
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
        <translation>Netzwerk getrennt</translation>
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
        <translation>Vantrel - Winsock-Informationen</translation>
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
        <translation>Ihre Adresse, einen Blick entfernt.</translation>
    </message>
    <message>
        <source>This software is distributed &apos;as is&apos;. I don&apos;t assume any responsibility for any damage or data loss. Thanks to everyone who tried it early.</source>
        <translation>Diese Software wird &apos;wie besehen&apos; weitergegeben. Ich übernehme keine Verantwortung für Schäden oder Datenverlust. Dank an alle, die sie früh ausprobiert haben.</translation>
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
        <translation>Wave-Dateien (*.wav)</translation>
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
        <translation>RAS-Verbindung einschalten</translation>
    </message>
    <message>
        <source>Double Click on an item to add or remove</source>
        <translation>Doppelklick auf einen Eintrag fügt ihn hinzu oder entfernt ihn</translation>
    </message>
    <message>
        <source>Selected connection:</source>
        <translation>Gewählte Verbindung:</translation>
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
        <translation>HINWEIS: Wenn in Ihrer RAS-Verbindung kein Benutzername
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
        <translation>mal wiederholen</translation>
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
        <translation>IP in die Zwischenablage kopieren</translation>
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
        <translation>Kreuzen Sie dieses Kästchen an, wenn Sie keine feste IP-Adresse haben, also eine Modemverbindung über den Remotezugriff nutzen.</translation>
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
        <translation>Protokolldatei</translation>
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
        <translation>einen Blick entfernt:</translation>
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
        <source>Vantrel Message</source>
        <translation>Vantrel-Meldung</translation>
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
        <source>Vantrel Message</source>
        <translation>Vantrel-Meldung</translation>
    </message>
    <message>
        <source>Vantrel could not put &quot;%1&quot; on the clipboard: %2.</source>
        <translation>Vantrel konnte &quot;%1&quot; nicht in die Zwischenablage legen: %2.</translation>
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
