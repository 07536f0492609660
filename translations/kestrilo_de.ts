<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>SoundFileTypes</name>
    <message>
        <source>All sound files</source>
        <translation>Alle Sounddateien</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>TAllDevicesDialog</name>
    <message>
        <source>Upload to every device</source>
        <translation>Auf jedes Gerät hochladen</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Anschluss</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Keep loading devices as they are plugged in</source>
        <translation>Weitere Geräte laden, sobald sie angesteckt werden</translation>
    </message>
    <message>
        <source>Write a log of every load</source>
        <translation>Jeden Ladevorgang protokollieren</translation>
    </message>
    <message>
        <source>Choose...</source>
        <translation>Wählen...</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Stop watching</source>
        <translation>Warten beenden</translation>
    </message>
    <message>
        <source>Cancel uploads</source>
        <translation>Hochladen abbrechen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Logs (*.csv *.jsonl)</source>
        <translation>Protokolle (*.csv *.jsonl)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The window is searching or uploading; start again once it has finished.</source>
        <translation>Das Fenster sucht gerade oder lädt hoch; bitte erneut starten, sobald es fertig ist.</translation>
    </message>
    <message>
        <source>The list is empty: add the sounds to load first.</source>
        <translation>Die Liste ist leer: zuerst die Sounds hinzufügen, die geladen werden sollen.</translation>
    </message>
    <message>
        <source>Choose the file for the log first.</source>
        <translation>Bitte zuerst die Datei für das Protokoll wählen.</translation>
    </message>
    <message>
        <source>kestrilo-cli was not found in %1; it comes with Kestrilo and does this work. Install Kestrilo again.</source>
        <translation>kestrilo-cli wurde in %1 nicht gefunden; es gehört zu Kestrilo und erledigt diese Arbeit. Bitte Kestrilo neu installieren.</translation>
    </message>
    <message>
        <source>Uploads are running. Cancel them and close?
A device being loaded will need a new upload.</source>
        <translation>Es wird noch hochgeladen. Abbrechen und schließen?
Ein Gerät, das gerade geladen wird, muss danach neu bespielt werden.</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Abgeschlossen</translation>
    </message>
    <message>
        <source>No device</source>
        <translation>Kein Gerät</translation>
    </message>
    <message>
        <source>No sound file</source>
        <translation>Keine Sounddatei</translation>
    </message>
    <message>
        <source>Conversion failed</source>
        <translation>Umwandlung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Too large</source>
        <translation>Zu groß</translation>
    </message>
    <message>
        <source>Erase timed out</source>
        <translation>Löschen dauerte zu lange</translation>
    </message>
    <message>
        <source>Device lost</source>
        <translation>Gerät getrennt</translation>
    </message>
    <message>
        <source>Device stopped</source>
        <translation>Gerät nimmt nichts mehr an</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>Unexpected reply</source>
        <translation>Unerwartete Antwort</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Nicht gestartet</translation>
    </message>
    <message>
        <source>Shared addresses</source>
        <translation>Doppelte Adressen</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Unplugged</source>
        <translation>Abgesteckt</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>%1 done, %2 failed, %3 running</source>
        <translation>%1 fertig, %2 fehlgeschlagen, %3 laufen</translation>
    </message>
    <message>
        <source>Loads the list shown in the window into every device plugged in.</source>
        <translation>Lädt die Liste aus dem Fenster in jedes angesteckte Gerät.</translation>
    </message>
    <message>
        <source>Cancelling the uploads...</source>
        <translation>Hochladen wird abgebrochen...</translation>
    </message>
    <message>
        <source>Watching for devices: each one plugged in is loaded.</source>
        <translation>Warte auf Geräte: jedes angesteckte wird geladen.</translation>
    </message>
    <message>
        <source>No longer watching; the running uploads finish.</source>
        <translation>Es wird nicht mehr gewartet; laufende Ladevorgänge werden beendet.</translation>
    </message>
    <message>
        <source>Loading the devices...</source>
        <translation>Die Geräte werden geladen...</translation>
    </message>
    <message>
        <source>Starting...</source>
        <translation>Startet...</translation>
    </message>
    <message>
        <source>The run ended without a result.</source>
        <translation>Der Lauf endete ohne Ergebnis.</translation>
    </message>
    <message>
        <source>Every device was loaded.</source>
        <translation>Jedes Gerät wurde geladen.</translation>
    </message>
    <message>
        <source>No device was loaded.</source>
        <translation>Kein Gerät wurde geladen.</translation>
    </message>
    <message>
        <source>Cancelled.</source>
        <translation>Abgebrochen.</translation>
    </message>
    <message>
        <source>No device found.</source>
        <translation>Kein Gerät gefunden.</translation>
    </message>
    <message>
        <source>Not every device was loaded.</source>
        <translation>Nicht jedes Gerät wurde geladen.</translation>
    </message>
    <message>
        <source>kestrilo-cli ended with exit status %1:</source>
        <translation>kestrilo-cli endete mit Exit-Status %1:</translation>
    </message>
    <message>
        <source>kestrilo-cli was ended by a signal:</source>
        <translation>kestrilo-cli wurde durch ein Signal beendet:</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Address (digital)</source>
        <translation>Adresse (digital)</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Add file(s)</source>
        <translation>Datei(en) hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Search device</source>
        <translation>Gerät suchen</translation>
    </message>
    <message>
        <source>Upload to device</source>
        <translation>Hochladen</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Delete selected file(s)</source>
        <translation>Ausgewählte Datei(en) entfernen</translation>
    </message>
    <message>
        <source>Clear list</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Sound test</source>
        <translation>Soundtest</translation>
    </message>
    <message>
        <source>Sound 1</source>
        <translation>Sound 1</translation>
    </message>
    <message>
        <source>Sound 2</source>
        <translation>Sound 2</translation>
    </message>
    <message>
        <source>Sound 3</source>
        <translation>Sound 3</translation>
    </message>
    <message>
        <source>Sound 4</source>
        <translation>Sound 4</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Start uploading</source>
        <translation>Hochladen starten</translation>
    </message>
    <message>
        <source>Cancel upload</source>
        <translation>Hochladen abbrechen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über Kestrilo</translation>
    </message>
    <message>
        <source>Delete file(s)</source>
        <translation>Datei(en) entfernen</translation>
    </message>
    <message>
        <source>Change digital address</source>
        <translation>Digitaladresse ändern</translation>
    </message>
    <message>
        <source>Kestrilo
Version %1</source>
        <translation>Kestrilo
Version %1</translation>
    </message>
    <message>
        <source>Open list...</source>
        <translation>Liste öffnen ...</translation>
    </message>
    <message>
        <source>Save list</source>
        <translation>Liste speichern</translation>
    </message>
    <message>
        <source>Save list as...</source>
        <translation>Liste speichern unter ...</translation>
    </message>
    <message>
        <source>Open recent</source>
        <translation>Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>Kestrilo sound lists (*.kestrilo)</source>
        <translation>Kestrilo-Soundlisten (*.kestrilo)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The sound list has unsaved changes.</source>
        <translation>Die Soundliste hat ungespeicherte Änderungen.</translation>
    </message>
    <message>
        <source>The sound list &quot;%1&quot; has unsaved changes.</source>
        <translation>Die Soundliste „%1“ hat ungespeicherte Änderungen.</translation>
    </message>
    <message>
        <source>Save them first?</source>
        <translation>Zuerst speichern?</translation>
    </message>
    <message>
        <source>Missing</source>
        <translation>Fehlt</translation>
    </message>
    <message>
        <source>Another row has the same digital address</source>
        <translation>Eine andere Zeile hat dieselbe Digitaladresse</translation>
    </message>
    <message>
        <source>Kestrilo was ended while the sound list had unsaved changes. Reopen that list?</source>
        <translation>Kestrilo wurde beendet, während die Soundliste ungespeicherte Änderungen hatte. Diese Liste wieder öffnen?</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Encoding...</source>
        <translation>Umwandlung ...</translation>
    </message>
    <message>
        <source>Encoded</source>
        <translation>Umgewandelt</translation>
    </message>
    <message>
        <source>Uploading</source>
        <translation>Wird hochgeladen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Digital address</source>
        <translation>Digitaladresse</translation>
    </message>
    <message>
        <source>Please type digital address [%1-%2]</source>
        <translation>Bitte Digitaladresse eingeben [%1-%2]</translation>
    </message>
    <message>
        <source>The digital address must be a whole number from %1 to %2.</source>
        <translation>Die Digitaladresse muss eine ganze Zahl von %1 bis %2 sein.</translation>
    </message>
    <message>
        <source>Sound files missing, nothing was sent to the device:</source>
        <translation>Sounddateien fehlen, es wurde nichts an das Gerät gesendet:</translation>
    </message>
    <message>
        <source>More than one row has the digital addresses %1; the device cannot tell them apart.</source>
        <translation>Mehrere Zeilen haben die Digitaladressen %1; das Gerät kann sie nicht unterscheiden.</translation>
    </message>
    <message>
        <source>More than one row has the digital address %1; the device cannot tell them apart.</source>
        <translation>Mehrere Zeilen haben die Digitaladresse %1; das Gerät kann sie nicht unterscheiden.</translation>
    </message>
    <message>
        <source>Upload anyway?</source>
        <translation>Trotzdem hochladen?</translation>
    </message>
    <message>
        <source>An upload is running. Stop it and close Kestrilo?
The device will hold only part of the sounds and need a new upload.</source>
        <translation>Ein Hochladen läuft. Abbrechen und Kestrilo schließen?
Das Gerät hat dann nur einen Teil der Sounds und braucht ein neues Hochladen.</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
    <message>
        <source>Ports...</source>
        <translation>Anschlüsse...</translation>
    </message>
    <message>
        <source>Serial port plugged in: %1</source>
        <translation>Serieller Anschluss eingesteckt: %1</translation>
    </message>
    <message>
        <source>USB serial device plugged in: %1</source>
        <translation>USB-Seriell-Gerät eingesteckt: %1</translation>
    </message>
    <message>
        <source>The device on %1 was unplugged.</source>
        <translation>Das Gerät an %1 wurde ausgesteckt.</translation>
    </message>
    <message>
        <source>Own options: %1</source>
        <translation>Eigene Optionen: %1</translation>
    </message>
    <message>
        <source>Listen</source>
        <translation>Anhören</translation>
    </message>
    <message>
        <source>Sound options...</source>
        <translation>Soundoptionen...</translation>
    </message>
    <message>
        <source>List sound options...</source>
        <translation>Soundoptionen der Liste...</translation>
    </message>
    <message>
        <source>Export address table...</source>
        <translation>Adresstabelle exportieren...</translation>
    </message>
    <message>
        <source>Export address table</source>
        <translation>Adresstabelle exportieren</translation>
    </message>
    <message>
        <source>CSV tables (*.csv)</source>
        <translation>CSV-Tabellen (*.csv)</translation>
    </message>
    <message>
        <source>Preparing the sounds for the address table...</source>
        <translation>Die Sounds für die Adresstabelle werden vorbereitet...</translation>
    </message>
    <message>
        <source>Cannot write the address table &quot;%1&quot;: %2</source>
        <translation>Die Adresstabelle &quot;%1&quot; kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Length after trimming the silence</source>
        <translation>Länge nach dem Abschneiden der Stille</translation>
    </message>
    <message>
        <source>Cannot prepare this sound: %1</source>
        <translation>Dieser Sound kann nicht vorbereitet werden: %1</translation>
    </message>
    <message>
        <source>Upload to every device</source>
        <translation>Auf jedes Gerät hochladen</translation>
    </message>
    <message>
        <source>The window is searching or uploading; start again once it has finished.</source>
        <translation>Das Fenster sucht gerade oder lädt hoch; bitte erneut starten, sobald es fertig ist.</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>peak %1 dB</source>
        <translation>Spitzenwert %1 dB</translation>
    </message>
    <message>
        <source>R128 %1 LUFS</source>
        <translation>R128 %1 LUFS</translation>
    </message>
    <message>
        <source>trim</source>
        <translation>Stille gekürzt</translation>
    </message>
    <message>
        <source>trim below %1 dB</source>
        <translation>Stille unter %1 dB gekürzt</translation>
    </message>
    <message>
        <source>dither</source>
        <translation>Dithering</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>%1 (list)</source>
        <translation>%1 (Liste)</translation>
    </message>
</context>
<context>
    <name>TMemoryGauge</name>
    <message>
        <source>%1 s (%2 MB)</source>
        <translation>%1 s (%2 MB)</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 of %2 s</source>
        <translation>%1 von %2 s</translation>
    </message>
    <message>
        <source>no device yet</source>
        <translation>noch kein Gerät</translation>
    </message>
    <message>
        <source>%1 s too long</source>
        <translation>%1 s zu lang</translation>
    </message>
    <message>
        <source>%1 s left</source>
        <translation>noch %1 s frei</translation>
    </message>
    <message>
        <source>Sounds: %1</source>
        <translation>Sounds: %1</translation>
    </message>
    <message>
        <source>
Rows of unknown length: %1</source>
        <translation>
Zeilen unbekannter Länge: %1</translation>
    </message>
    <message>
        <source>
Device memory: %1</source>
        <translation>
Gerätespeicher: %1</translation>
    </message>
    <message>
        <source>
Search the device to see its memory.</source>
        <translation>
Gerät suchen, um seinen Speicher zu sehen.</translation>
    </message>
</context>
<context>
    <name>TPortsDialog</name>
    <message>
        <source>Ports</source>
        <translation>Anschlüsse</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Anschluss</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Adapter</source>
        <translation>Adapter</translation>
    </message>
    <message>
        <source>What to do</source>
        <translation>Was zu tun ist</translation>
    </message>
    <message>
        <source>Look again</source>
        <translation>Erneut prüfen</translation>
    </message>
    <message>
        <source>No serial port found.</source>
        <translation>Kein serieller Anschluss gefunden.</translation>
    </message>
</context>
<context>
    <name>TPreparedLength</name>
    <message>
        <source>The file is missing.</source>
        <translation>Die Datei fehlt.</translation>
    </message>
</context>
<context>
    <name>TPreviewPlayer</name>
    <message>
        <source>Preparing %1 to listen...</source>
        <translation>%1 wird zum Anhören vorbereitet...</translation>
    </message>
    <message>
        <source>Cannot listen to %1: %2</source>
        <translation>%1 kann nicht angehört werden: %2</translation>
    </message>
    <message>
        <source>Playing %1 as the device will (Space stops)</source>
        <translation>%1 wird so abgespielt, wie das Gerät es tun wird (Leertaste hält an)</translation>
    </message>
</context>
<context>
    <name>TRowOptionsDialog</name>
    <message>
        <source>Cut the silence at the start and end</source>
        <translation>Stille am Anfang und Ende abschneiden</translation>
    </message>
    <message>
        <source>Sound options</source>
        <translation>Soundoptionen</translation>
    </message>
    <message>
        <source>List sound options</source>
        <translation>Soundoptionen der Liste</translation>
    </message>
    <message>
        <source>Use the list&apos;s options</source>
        <translation>Optionen der Liste verwenden</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Peak</source>
        <translation>Spitzenwert</translation>
    </message>
    <message>
        <source>EBU R128 loudness</source>
        <translation>Lautheit nach EBU R128</translation>
    </message>
    <message>
        <source> dB</source>
        <translation> dB</translation>
    </message>
    <message>
        <source>Triangular</source>
        <translation>Dreieckförmig</translation>
    </message>
    <message>
        <source>Loudness:</source>
        <translation>Lautstärke:</translation>
    </message>
    <message>
        <source>Target:</source>
        <translation>Ziel:</translation>
    </message>
    <message>
        <source>Silence below:</source>
        <translation>Stille unter:</translation>
    </message>
    <message>
        <source>Dither to 8 bits:</source>
        <translation>Dithering auf 8 Bit:</translation>
    </message>
    <message>
        <source> LUFS</source>
        <translation> LUFS</translation>
    </message>
    <message>
        <source> dBFS</source>
        <translation> dBFS</translation>
    </message>
</context>
</TS>
