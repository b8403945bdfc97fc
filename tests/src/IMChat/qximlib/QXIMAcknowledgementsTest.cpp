#include "IMChat/qximlib/QXIMAcknowledgements.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// The calls the acknowledgements make, held until the test finishes them.
class QXIMAcknowledgementsTest : public ::testing::Test {
protected:
    struct Call {
        QString talkId;
        QStringList ids;
        std::function<void(bool)> done;
    };

    // Finishes call `index`; finishing may make the next calls.
    void finish(std::size_t index, bool acknowledged) {
        const auto done = calls_.at(index).done;
        done(acknowledged);
    }
    [[nodiscard]] static QList<qint64> range(qint64 first, qint64 last) {
        QList<qint64> ids;
        for (qint64 id = first; id <= last; ++id) ids.append(id);
        return ids;
    }

    std::deque<Call> calls_;
    QXIMAcknowledgements acknowledgements_{
        [this](const QString& talkId, const QStringList& ids, std::function<void(bool)> done) {
            calls_.push_back({talkId, ids, std::move(done)});
        }};
};

TEST_F(QXIMAcknowledgementsTest, AnIdWaitingOrOnItsWayOrAcknowledgedCostsNoSecondCall) {
    acknowledgements_.acknowledge("t", {1, 2});
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].ids, (QStringList{"1", "2"}));
    // On its way: a copy sent again costs nothing.
    acknowledgements_.acknowledge("t", {2, 1});
    EXPECT_EQ(calls_.size(), 1u);
    // The second call on its way; then ids wait, each once, however often they come.
    acknowledgements_.acknowledge("t", {3});
    acknowledgements_.acknowledge("t", {4, 5});
    acknowledgements_.acknowledge("t", {5, 4, 1, 6});
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_TRUE(acknowledgements_.knows("t", 6));
    EXPECT_FALSE(acknowledgements_.knows("t", 7));
    finish(0, true);
    ASSERT_EQ(calls_.size(), 3u);
    EXPECT_EQ(calls_[2].ids, (QStringList{"4", "5", "6"}));
    // Acknowledged: no call again.
    acknowledgements_.acknowledge("t", {1, 2});
    finish(1, true);
    finish(2, true);
    EXPECT_EQ(calls_.size(), 3u);
    // The same id of another talk is that talk's to acknowledge; a null talk has none.
    acknowledgements_.acknowledge("u", {1});
    acknowledgements_.acknowledge(QString(), {9});
    ASSERT_EQ(calls_.size(), 4u);
    EXPECT_EQ(calls_[3].talkId, "u");
    EXPECT_FALSE(acknowledgements_.knows(QString(), 9));
}

TEST_F(QXIMAcknowledgementsTest, IdsOfAFailedCallAreForgottenAndTheCopySentAgainIsAcknowledged) {
    acknowledgements_.acknowledge("t", {1, 2});
    acknowledgements_.acknowledge("t", {3});
    acknowledgements_.acknowledge("t", {4});
    ASSERT_EQ(calls_.size(), 2u);
    // A failed call frees its place for what waits.
    finish(0, false);
    ASSERT_EQ(calls_.size(), 3u);
    EXPECT_EQ(calls_[2].ids, QStringList{"4"});
    EXPECT_FALSE(acknowledgements_.knows("t", 1));
    EXPECT_TRUE(acknowledgements_.knows("t", 3));
    finish(1, true);
    // The server sends the packet of the failed call again.
    acknowledgements_.acknowledge("t", {3, 2, 1});
    ASSERT_EQ(calls_.size(), 4u);
    EXPECT_EQ(calls_[3].ids, (QStringList{"2", "1"}));
    finish(3, true);
    finish(2, true);
    acknowledgements_.acknowledge("t", {1, 2, 3, 4});
    EXPECT_EQ(calls_.size(), 4u);
}

// Two calls on their way, 200 ids a call, the last 50,000 acknowledged ids remembered.
TEST_F(QXIMAcknowledgementsTest, ABurstGoesInTwoCallsOfTwoHundredIdsAndTheOldestIdsAreForgotten) {
    acknowledgements_.acknowledge("t", range(1, 450));
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[0].ids.size(), 200);
    EXPECT_EQ(calls_[1].ids.first(), "201");
    EXPECT_EQ(calls_[1].ids.size(), 200);
    finish(1, true);
    ASSERT_EQ(calls_.size(), 3u);
    EXPECT_EQ(calls_[2].ids.first(), "401");
    EXPECT_EQ(calls_[2].ids.size(), 50);
    finish(0, true);
    finish(2, true);

    // Acknowledged in the order their calls ended: 201 to 400 first. With the other talk's
    // ids they make 50,000 remembered; one more, and 201 is forgotten.
    const auto acknowledgeAll = [&](const QList<qint64>& ids) {
        const std::size_t first = calls_.size();
        acknowledgements_.acknowledge("u", ids);
        for (std::size_t call = first; call < calls_.size(); ++call) finish(call, true);
    };
    acknowledgeAll(range(1, 50000 - 450));
    EXPECT_TRUE(acknowledgements_.knows("t", 201));
    acknowledgeAll({50000});
    EXPECT_FALSE(acknowledgements_.knows("t", 201));
    EXPECT_TRUE(acknowledgements_.knows("t", 400));
    EXPECT_TRUE(acknowledgements_.knows("t", 1));
    const std::size_t made = calls_.size();
    acknowledgements_.acknowledge("t", {400, 201});
    ASSERT_EQ(calls_.size(), made + 1);
    EXPECT_EQ(calls_.back().ids, QStringList{"201"});
}

// The ids of stored packets go in calls of their own, two on their way beside those of packets
// set aside, and ahead of them as calls end: a flood of packets set aside holds no stored
// message's acknowledgement back.
TEST_F(QXIMAcknowledgementsTest, StoredIdsNeverWaitBehindThoseOfPacketsSetAside) {
    using Kind = QXIMAcknowledgements::Kind;
    for (qint64 talk = 1; talk <= 5; ++talk)
        acknowledgements_.acknowledge(QString::number(talk), {talk}, Kind::SetAside);
    ASSERT_EQ(calls_.size(), 2u);
    acknowledgements_.acknowledge("s", {7});
    acknowledgements_.acknowledge("s", {8});
    ASSERT_EQ(calls_.size(), 4u);
    EXPECT_EQ(calls_[3].talkId, "s");
    acknowledgements_.acknowledge("s", {9});
    acknowledgements_.acknowledge("r", {10});
    EXPECT_EQ(calls_.size(), 4u);
    // A stored call ended: the stored ids waiting go, not those set aside.
    finish(2, true);
    ASSERT_EQ(calls_.size(), 5u);
    EXPECT_EQ(calls_[4].talkId, "s");
    EXPECT_EQ(calls_[4].ids, QStringList{"9"});
    // A call of ids set aside ended: the next of them goes.
    finish(0, true);
    ASSERT_EQ(calls_.size(), 6u);
    EXPECT_EQ(calls_[5].talkId, "3");
}

// What waits is bounded in bytes across all talks: 256 bytes a talk of sixteen characters with
// one id, so 49,152 such talks of packets set aside fill half the bound, besides the two
// calls on their way; the next id is let go and counted, and a stored one still waits. As
// calls end what waits shrinks, and ids are taken again.
TEST_F(QXIMAcknowledgementsTest, WhatWaitsIsBoundedInBytesAcrossAllTalks) {
    using Kind = QXIMAcknowledgements::Kind;
    const auto talk = [](qint64 n) {
        return QStringLiteral("%1").arg(n, 16, 10, QLatin1Char('0'));
    };
    constexpr qint64 kTalks = 2 + 12 * 1024 * 1024 / 256;
    for (qint64 n = 1; n <= kTalks; ++n)
        acknowledgements_.acknowledge(talk(n), {n}, Kind::SetAside);
    EXPECT_EQ(acknowledgements_.letGo(), 0);
    EXPECT_EQ(acknowledgements_.waitingBytes(), 12 * 1024 * 1024);
    acknowledgements_.acknowledge(talk(kTalks + 1), {kTalks + 1}, Kind::SetAside);
    // An id of a talk that waits costs less, but not nothing.
    acknowledgements_.acknowledge(talk(kTalks), {1}, Kind::SetAside);
    EXPECT_EQ(acknowledgements_.letGo(), 2);
    EXPECT_FALSE(acknowledgements_.knows(talk(kTalks + 1), kTalks + 1));
    EXPECT_TRUE(acknowledgements_.knows(talk(kTalks), kTalks));
    acknowledgements_.acknowledge(talk(kTalks + 1), {kTalks + 1});
    EXPECT_EQ(acknowledgements_.letGo(), 2);
    ASSERT_EQ(calls_.size(), 3u);
    EXPECT_EQ(calls_[2].talkId, talk(kTalks + 1));
    finish(0, true);
    EXPECT_EQ(acknowledgements_.waitingBytes(), 12 * 1024 * 1024 - 256);
    acknowledgements_.acknowledge(talk(kTalks + 2), {kTalks + 2}, Kind::SetAside);
    EXPECT_EQ(acknowledgements_.letGo(), 2);
    for (std::size_t call = 1; call < calls_.size(); ++call) finish(call, true);
    EXPECT_EQ(calls_.size(), std::size_t(kTalks + 2));
    EXPECT_EQ(acknowledgements_.waitingBytes(), 0);
}

}  // namespace
