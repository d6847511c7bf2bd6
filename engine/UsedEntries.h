// Which manifest entries the engine ever reads: the phone's databases its readers
// open and the files its media catalogues match. The decryptor decrypts exactly
// these, so both sides take the patterns from here.
#pragma once

#include <string>

#include "engine/ManifestEntry.h"

// Manifest-name patterns of the media catalogues (case-sensitive substrings).
inline constexpr char g_szCameraRollPattern[] = "CameraRollDomain-Media/DCIM/";
// Camera-roll originals kept for iCloud Photos, the renders of edited pictures
// (manifest names starting so) and the photo library that names them all.
inline constexpr char g_szCloudOriginalPattern[] = "CameraRollDomain-Media/PhotoData/CPLAssets/";
inline constexpr char g_szEditRenderPattern[] = "CameraRollDomain-Media/PhotoData/Mutations/DCIM/";
inline constexpr char g_szPhotoLibraryName[] = "CameraRollDomain-Media/PhotoData/Photos.sqlite";
inline constexpr char g_szPhotoStreamPattern[] = "MediaDomain-Media/PhotoStreamsData/";
inline constexpr char g_szAttachmentPattern[] = "/Attachments/";
inline constexpr char g_szAppFilePattern[] = "AppDomain-";
inline constexpr char g_szWhatsAppPattern[] = "net.whatsapp.WhatsApp";
// Where current phones keep WhatsApp media (a shared app group, not AppDomain-).
inline constexpr char g_szWhatsAppSharedMediaPattern[] =
    "AppDomainGroup-group.net.whatsapp.WhatsApp.shared-Message/Media/";
// WhatsApp Business keeps its media the same way in its own app group.
inline constexpr char g_szWhatsAppBusinessSharedMediaPattern[] =
    "AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared-Message/Media/";

// True for the media WhatsApp or WhatsApp Business keeps in its shared app group.
inline bool IsWhatsAppSharedMedia(const std::string& strName)
{
    return strName.find(g_szWhatsAppSharedMediaPattern) != std::string::npos ||
           strName.find(g_szWhatsAppBusinessSharedMediaPattern) != std::string::npos;
}

// Every QQ account's message database: manifest names containing this text.
inline constexpr char g_szQQDatabasePattern[] = "/QQ.db";

// True when a database reader opens the stored file `strFileId` or a media
// catalogue matches the manifest name `strName`.
bool IsEntryUsedByEngine(const std::string& strName, const std::string& strFileId);
