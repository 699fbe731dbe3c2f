// Texts of the upgrade run that are German in every language.
#pragma once

inline constexpr const char *kUpgradeStartedCaption =
    "Die Aktualisierung der Geräte-Firmware hat begonnen - Beachten Sie die Hinweise auf dem "
    "Gerätedisplay!";
inline constexpr const char *kFirmwareFailedText = "Die Erneuerung der Geräte-Firmware ist fehlgeschlagen!";
inline constexpr const char *kConfigurationFailedText =
    "Die Erneuerung der Geräte-Konfigurationsdaten ist fehlgeschlagen!";
inline constexpr const char *kFirmwareSucceededText =
    "Die Aktualisierung der Geräte-Firmware wurde erfolgreich abgeschlossen! ";
inline constexpr const char *kConfigurationSucceededText =
    "Die Aktualisierung der Geräte-Konfiguration wurde erfolgreich abgeschlossen! ";
inline constexpr const char *kStorageUnconfirmedText =
    "Die Geräte-Firmware wurde geladen, aber der Computer konnte nicht ermitteln, ob die Firmware "
    "erfolgreich im Gerät gespeichert wurde!";
