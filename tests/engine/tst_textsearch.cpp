#include <QtTest>

#include "engine/TextSearch.h"

// The search index of the results page: what a typed query finds and what it
// must not.
class TestTextSearch : public QObject {
    Q_OBJECT
private slots:
    void caseAndAccents();
    void numbersByTheirDigits();
    void entriesKeepTheirTextsApart();
    void messagesOfAConversation();
};

static bool Finds(const char* text, const QString& typed)
{
    TextSearch::Index index;
    index.Add({QString::fromUtf8(text)});
    return index.Matches(0, TextSearch::MakeQuery(typed));
}

void TestTextSearch::caseAndAccents()
{
    QVERIFY(Finds("Dinner at EIGHT", "eight"));
    QVERIFY(Finds("dinner at eight", "EiGhT"));
    QVERIFY(Finds("Zoë Ångström", "zOË ÅNG"));
    QVERIFY(Finds("ΣΟΦΙΑ", "σοφια"));
    // Accents count as typed.
    QVERIFY(!Finds("café", "cafe"));
    QVERIFY(!Finds("cafe", "café"));
    // A decomposed "é" (e + combining acute) is the same letter as the composed one.
    QVERIFY(Finds("cafe\xcc\x81 noir", QString::fromUtf8("CAFÉ")));
    QVERIFY(Finds("CAFÉ", QString::fromUtf8("cafe\xcc\x81")));
    // Blanks around the query do not count; a query of blanks or control
    // characters is no query and finds everything.
    QVERIFY(Finds("the pumpkin", "  pumpkin "));
    QVERIFY(TextSearch::MakeQuery(" \t ").IsEmpty());
    QVERIFY(TextSearch::MakeQuery(QString(QChar(1))).IsEmpty());
    QVERIFY(Finds("anything", QString()));
    QVERIFY(!Finds("", "x"));
    QVERIFY(!Finds("pumpkin", "pumpkins"));
    // Emoji and scripts without case are found as they are.
    QVERIFY(Finds("Neighbours 🏡 chat", "🏡"));
    QVERIFY(Finds("山田太郎", "太郎"));
}

void TestTextSearch::numbersByTheirDigits()
{
    // Numbers written with punctuation, found by digits and the other way round.
    QVERIFY(Finds("+1 (555) 010-0199", "5550100199"));
    QVERIFY(Finds("+1 (555) 010-0199", "555 010"));
    QVERIFY(Finds("+15550100199", "(555) 010-01"));
    QVERIFY(Finds("+15550100199", "+1 555"));
    QVERIFY(Finds("Mobile: +44 20 7946 0958", "2079460958"));
    QVERIFY(!Finds("+1 (555) 010-0199", "5550100198"));
    // Digits of two numbers in one text never join up.
    QVERIFY(!Finds("555-0100, 555-0199", "01005550"));
    // Text queries are not reduced to their digits.
    QVERIFY(!Finds("+1 (555) 010-0199", "555x010"));
}

void TestTextSearch::entriesKeepTheirTextsApart()
{
    TextSearch::Index index;
    index.Add({"Ann", "+1 555 0100"}, {});
    const std::string first = "see you at the";
    const std::string second = "station tomorrow";
    index.Add({"Bob"}, {&first, &second});
    index.Add({}, {});
    QCOMPARE(index.Size(), size_t(3));

    QVERIFY(index.Matches(0, TextSearch::MakeQuery("ann")));
    QVERIFY(!index.Matches(1, TextSearch::MakeQuery("ann")));
    QVERIFY(index.Matches(1, TextSearch::MakeQuery("STATION")));
    QVERIFY(index.Matches(1, TextSearch::MakeQuery("bob")));
    // No match across the end of one text and the start of the next.
    QVERIFY(!index.Matches(1, TextSearch::MakeQuery("the station")));
    QVERIFY(!index.Matches(0, TextSearch::MakeQuery("ann+1")));
    // An empty entry is found only by no query; an entry beyond the end never.
    QVERIFY(!index.Matches(2, TextSearch::MakeQuery("a")));
    QVERIFY(index.Matches(2, TextSearch::MakeQuery("")));
    QVERIFY(!index.Matches(3, TextSearch::MakeQuery("")));
    index.Clear();
    QCOMPARE(index.Size(), size_t(0));
    QVERIFY(!index.Matches(0, TextSearch::MakeQuery("ann")));
}

void TestTextSearch::messagesOfAConversation()
{
    std::vector<__MESSAGE_INFO__> chat(4);
    chat[0].strText = "Hello";
    chat[1].strText = "Bring the PUMPKIN pie";
    chat[2].strText = "";
    chat[3].strText = "pumpkin again, call +1 (555) 010-0100";
    QCOMPARE(TextSearch::MatchingMessages(chat, TextSearch::MakeQuery("pumpkin")), (std::vector<int>{1, 3}));
    QCOMPARE(TextSearch::MatchingMessages(chat, TextSearch::MakeQuery("5550100100")), (std::vector<int>{3}));
    QVERIFY(TextSearch::MatchingMessages(chat, TextSearch::MakeQuery("")).empty());
    QVERIFY(TextSearch::MatchingMessages(chat, TextSearch::MakeQuery("squash")).empty());
    QCOMPARE(TextSearch::ConversationTexts(chat).size(), size_t(4));
    QCOMPARE(TextSearch::ConversationTexts(chat)[1], &chat[1].strText);

    std::vector<__WHATSAPP_MESSAGE__> wa(2);
    wa[0].strText = "Ölfarbe";
    wa[1].strText = "nothing";
    QCOMPARE(TextSearch::MatchingMessages(wa, TextSearch::MakeQuery("öl")), (std::vector<int>{0}));
}

QTEST_GUILESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
