// Plain value records that carry what is read from a backup between the engine,
// the extractors, the window and the export writers.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QMetaType>

// Integers start at 0 (producers still set every one they fill). Copy semantics
// are the compiler's member-wise ones, so a copy never shares text with its source.

struct __BACK_FILE_INFO__ {
    bool bEncrypted = false;
    bool bVersionAbove11 = false;
    std::string strBackupDate;
    std::string strPhoneNumber;
    std::string strSerialNumber;
    std::string strBackupPath;
    std::string strDisplayName;
};

// A file sent with a message, as the message database names it and where the
// backup keeps it.
struct _MESSAGE_ATTACHMENT_ {
    std::string strName;          // as it was sent (transfer name), else the file's own name
    std::string strMimeType;      // as the database gives it; may be empty
    std::string strManifestName;  // "<domain>-<relative path>" the backup would list it under
    std::wstring wstrFullPath;    // the stored file; empty when the backup does not hold it
    long long nSize = 0;          // bytes of the stored file, else what the database says
};

struct __MESSAGE_INFO__ {
    int nDeleted = 0;
    int nIsFromMe = 0;
    int nRowId = 0;
    int nHandleId = 0;
    std::string strDate;
    std::string strSender;
    std::string strContactName;
    std::string strText;
    std::string strSpare;
    // Group conversations only (empty in one-to-one ones): the group's name and its
    // members' numbers, ", " between them. In a group strContactName and strSender
    // name the message's own sender ("Me" and no number for the owner's messages).
    std::string strChatName;
    std::string strChatNumbers;
    std::vector<_MESSAGE_ATTACHMENT_> vecAttachments;
};

// One labelled value of a contact as the address book stores it: a phone number,
// an e-mail or a web address. strLabel is the stored label: a built-in one such as
// "_$!<Mobile>!$_" or "iPhone", or the user's own text ("TextNow"); empty when none.
struct __CONTACT_VALUE__ {
    std::string strLabel;
    std::string strValue;
};

// A postal address of a contact, its parts as stored.
struct __CONTACT_ADDRESS__ {
    std::string strLabel;
    std::string strStreet;
    std::string strCity;
    std::string strState;
    std::string strZip;
    std::string strCountry;
    std::string strCountryCode;
};

struct __PERSON_CONTENT__ {
    int nDeleted = 0;
    // Display texts: every value on its own line ("\n" between them).
    std::string strEmail;
    std::string strSpare1;
    std::string strSpare2;
    std::string strUrl;
    std::string strPhone;
    std::string strCompany;
    std::string strName;  // the name as the phone shows it

    // What the address book's own tables hold; empty when only its full-text
    // index could be read.
    std::string strGiven;
    std::string strMiddle;
    std::string strFamily;
    std::string strPrefix;
    std::string strSuffix;
    std::string strNickname;
    std::string strTitle;       // job title
    std::string strDepartment;
    std::string strNote;
    std::string strBirthday;    // "YYYY-MM-DD", or "--MM-DD" when the year is not known
    std::vector<__CONTACT_VALUE__> vecPhones;  // in the phone's order, each once
    std::vector<__CONTACT_VALUE__> vecEmails;
    std::vector<__CONTACT_VALUE__> vecUrls;
    std::vector<__CONTACT_ADDRESS__> vecAddresses;
};

struct __CALLHISTORY__ {
    int nDeleted = 0;
    int nAnswered = 0;
    int nDuration = 0;
    std::string strDate;
    std::string strAddress;
    std::string strContactName;
};

struct __NOTES__ {
    int nDeleted = 0;
    std::string strDate;
    std::string strTitle;
    std::string strBody;
};

struct __WHATSAPP_MESSAGE__ {
    int nDeleted = 0;
    int nIsFromMe = 0;
    int nSpare1 = 0;
    int nChatId = 0;
    int nSpare2 = 0;
    int nSpare3 = 0;
    std::string strDate;
    std::string strSenderName;
    std::string strText;
    std::string strSenderId;
    std::string strExtra1;
    std::string strExtra2;
    std::string strExtra3;
    std::string strExtra4;
    std::vector<_MESSAGE_ATTACHMENT_> vecAttachments;
};

// Declared for the interfaces' parameter types; nothing fills them.
struct __WHATSAPP_CONTENT__ {
    int nReserved = 0;
    std::string str1, str2, str3, str4;
};

struct __QQ_MESSAGE__ {
    int n1 = 0, n2 = 0, n3 = 0;
    std::string str1, str2, str3, str4;
};

struct __WEIXIN_MESSAGE__ {
    int n1 = 0, n2 = 0, n3 = 0;
    std::string str1, str2, str3, str4;
};

struct _IPHONE_CAMERA_INFO_ {
    int nSize = 0;
    std::string strFileName;
    std::wstring wstrFullPath;
    // 1 for a picture in the phone's Recently Deleted album (and its edit).
    int nDeleted = 0;
};

struct _IPHONE_ATTACHMENTS_ {
    int nReserved = 0;
    int nSize = 0;
    std::string strFileName;
    std::wstring wstrFullPath;
};

struct _WHATSAPP_ATTACHMENTS_ {
    int nSize = 0;
    std::string strFileName;
    std::wstring wstrFullPath;
};

struct _IPHONE_APP_FILE_INFO_ {
    int nSize = 0;
    std::string strAppName;
    std::string strFileName;
    std::wstring wstrFullPath;
};

enum RECOVERY_TYPE {
    RECOVERY_TYPE_LOCAL_BACKUP = 1,
};

typedef std::vector<__BACK_FILE_INFO__> BackFileInfoVec;
typedef std::map<unsigned int, std::vector<__MESSAGE_INFO__>> MessageMap;
typedef std::vector<__PERSON_CONTENT__> PersonContentVec;
typedef std::vector<__CALLHISTORY__> CallHistoryVec;
typedef std::vector<__NOTES__> NotesVec;
typedef std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>> WhatsAppMessageMap;
typedef std::map<std::string, std::map<std::string, std::vector<__QQ_MESSAGE__>>> QQMessageMap;
typedef std::map<std::wstring, std::map<std::wstring, std::vector<__WEIXIN_MESSAGE__>>> WeiXinMessageMap;
typedef std::vector<_IPHONE_CAMERA_INFO_> CameraInfoVec;
typedef std::vector<_IPHONE_ATTACHMENTS_> AttachmentVec;
typedef std::vector<_WHATSAPP_ATTACHMENTS_> WhatsAppAttachmentVec;
typedef std::vector<_IPHONE_APP_FILE_INFO_> AppFileInfoVec;
typedef std::map<std::string, std::vector<_IPHONE_APP_FILE_INFO_>> AppFileMap;

// Order predicates for std::sort; case-insensitive byte comparison of one field.
bool VectorCmp(const __MESSAGE_INFO__& a, __MESSAGE_INFO__ b);
bool VectorCmp(const __PERSON_CONTENT__& a, __PERSON_CONTENT__ b);
bool VectorCmp(const __CALLHISTORY__& a, __CALLHISTORY__ b);
bool VectorCmp(const __NOTES__& a, __NOTES__ b);
bool CamVectorCmp(const _IPHONE_CAMERA_INFO_& a, _IPHONE_CAMERA_INFO_ b);
bool AttVectorCmp(const _IPHONE_ATTACHMENTS_& a, _IPHONE_ATTACHMENTS_ b);
bool WhatsAppAttVectorCmp(const _WHATSAPP_ATTACHMENTS_& a, _WHATSAPP_ATTACHMENTS_ b);
bool AppVectorCmp(const _IPHONE_APP_FILE_INFO_& a, _IPHONE_APP_FILE_INFO_ b);

// Registers the eight records that ride in QVariants (table cells) under their
// fixed names. Safe to call more than once.
void RegisterRecordMetaTypes();

Q_DECLARE_METATYPE(_IPHONE_APP_FILE_INFO_)
Q_DECLARE_METATYPE(_IPHONE_CAMERA_INFO_)
Q_DECLARE_METATYPE(_IPHONE_ATTACHMENTS_)
Q_DECLARE_METATYPE(_WHATSAPP_ATTACHMENTS_)
Q_DECLARE_METATYPE(__BACK_FILE_INFO__)
Q_DECLARE_METATYPE(__PERSON_CONTENT__)
Q_DECLARE_METATYPE(__NOTES__)
Q_DECLARE_METATYPE(__CALLHISTORY__)
