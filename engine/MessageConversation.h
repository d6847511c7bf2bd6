// Message conversations and their keys. A one-to-one conversation, and any message
// in no group chat, is keyed by the other party's handle id (1 .. 0x7FFFFFFF; 0 for
// messages without a handle). A group chat is one conversation keyed by the high bit
// plus its chat row id, a range no handle id reaches, so the key alone tells the two
// apart and the conversation map keeps its type. Every message of a group carries
// the group's key in nHandleId.
#pragma once

#include <string>

#include "engine/BackupRecords.h"

constexpr unsigned int kGroupConversationBit = 0x80000000u;

inline bool IsGroupConversationKey(unsigned int key)
{
    return (key & kGroupConversationBit) != 0;
}

// The key of the group chat with this row id; 0 when the row id cannot be one
// (not in 1 .. 0x7FFFFFFF).
unsigned int GroupConversationKey(long long chatRowId);

// The key of a one-to-one conversation with this handle id; 0 (no handle) for ids a
// handle row cannot have, so a stray value never lands among the group keys.
unsigned int HandleConversationKey(long long handleId);

inline bool IsGroupMessage(const __MESSAGE_INFO__& message)
{
    return IsGroupConversationKey(static_cast<unsigned int>(message.nHandleId));
}

// What names a conversation, taken from any of its messages: a group's name and its
// members' numbers, otherwise the other party's name and number.
const std::string& ConversationName(const __MESSAGE_INFO__& message);
const std::string& ConversationNumber(const __MESSAGE_INFO__& message);

// Who sent a message, as a chat shows it: "Me" for the owner, otherwise the
// contact's name, or the number when the name is unknown.
std::string MessageSenderName(const __MESSAGE_INFO__& message);
