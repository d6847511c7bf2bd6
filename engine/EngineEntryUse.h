// Which manifest entries the engine ever reads: the phone's databases its readers
// open and the files its media catalogues match. The decryptor decrypts exactly
// these, so both sides take the patterns from here.
#pragma once

#include <string>

// Manifest-name patterns of the media catalogues (case-sensitive substrings).
inline constexpr char g_szCameraRollPattern[] = "CameraRollDomain-Media/DCIM/";
inline constexpr char g_szPhotoStreamPattern[] = "MediaDomain-Media/PhotoStreamsData/";
inline constexpr char g_szAttachmentPattern[] = "/Attachments/";
inline constexpr char g_szAppFilePattern[] = "AppDomain-";
inline constexpr char g_szWhatsAppPattern[] = "net.whatsapp.WhatsApp";
// Where current phones keep WhatsApp media (a shared app group, not AppDomain-).
inline constexpr char g_szWhatsAppSharedMediaPattern[] =
    "AppDomainGroup-group.net.whatsapp.WhatsApp.shared-Message/Media/";

// True when a database reader opens the stored file `strFileId` or a media
// catalogue matches the manifest name `strName`.
bool IsEntryUsedByEngine(const std::string& strName, const std::string& strFileId);
