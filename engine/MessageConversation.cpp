#include "engine/MessageConversation.h"

namespace {
const char kMe[] = "Me";
const char kUnknown[] = "Unknown";
}

unsigned int GroupConversationKey(long long chatRowId)
{
    if (chatRowId <= 0 || chatRowId >= (long long)kGroupConversationBit)
        return 0;
    return kGroupConversationBit | static_cast<unsigned int>(chatRowId);
}

unsigned int HandleConversationKey(long long handleId)
{
    if (handleId <= 0 || handleId >= (long long)kGroupConversationBit)
        return 0;
    return static_cast<unsigned int>(handleId);
}

const std::string& ConversationName(const __MESSAGE_INFO__& message)
{
    return IsGroupMessage(message) ? message.strChatName : message.strContactName;
}

const std::string& ConversationNumber(const __MESSAGE_INFO__& message)
{
    return IsGroupMessage(message) ? message.strChatNumbers : message.strSender;
}

std::string MessageSenderName(const __MESSAGE_INFO__& message)
{
    if (message.nIsFromMe)
        return kMe;
    if (message.strContactName.empty() || message.strContactName == kUnknown)
        return message.strSender;
    return message.strContactName;
}
