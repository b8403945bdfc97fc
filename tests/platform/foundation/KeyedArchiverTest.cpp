// The keyed archive: values by key, and the archived forms of requests, responses and
// errors.
#include "platform/foundation/keyed_archiver.h"
#include "platform/foundation/property_list.h"

#include <gtest/gtest.h>

#include <QUrl>

namespace {

ns::KeyedUnarchiver roundTrip(const ns::KeyedArchiver& archiver) {
    return ns::KeyedUnarchiver(archiver.encodedData());
}

TEST(KeyedArchiver, ValuesComeBackByKeyAndWhatHasNoFormIsLeftOut) {
    ns::KeyedArchiver archiver;
    archiver.encodeObject(QStringLiteral("房"), "text");
    archiver.encodeObject(QByteArray("\0\1", 2), "data");
    archiver.encodeObject(QStringList{"a", "b"}, "names");
    archiver.encodeObject(QVariant(), "nil");
    archiver.encodeObject(QUrl("http://h/"), "url");
    archiver.encodeInteger(-7, "integer");
    archiver.encodeBool(true, "flag");
    archiver.encodeDouble(2.5, "real");
    const auto coder = roundTrip(archiver);
    ASSERT_TRUE(coder.isValid());
    EXPECT_EQ(coder.decodeObjectForKey("text"), "房");
    EXPECT_EQ(coder.decodeObjectForKey("data").toByteArray(), QByteArray("\0\1", 2));
    EXPECT_EQ(coder.decodeObjectForKey("names").toStringList(), (QStringList{"a", "b"}));
    EXPECT_FALSE(coder.containsValueForKey("nil"));
    EXPECT_FALSE(coder.containsValueForKey("url")) << "no property-list form";
    EXPECT_EQ(coder.decodeIntegerForKey("integer"), -7);
    EXPECT_TRUE(coder.decodeBoolForKey("flag"));
    EXPECT_DOUBLE_EQ(coder.decodeDoubleForKey("real"), 2.5);
    EXPECT_EQ(coder.decodeIntegerForKey("text"), 0) << "a text is no number";
    EXPECT_FALSE(coder.decodeBoolForKey("missing"));

    // A bool is read from a bool or a number, never from a text that reads like one.
    const ns::KeyedUnarchiver written(ns::PropertyList::dataWithPropertyList(
        QVariantMap{{"$archiver", "KeyedArchiver"},
                    {"$top", QVariantMap{{"text", "true"}, {"one", 1}, {"zero", 0.0}}}}));
    ASSERT_TRUE(written.isValid());
    EXPECT_FALSE(written.decodeBoolForKey("text"));
    EXPECT_TRUE(written.decodeBoolForKey("one"));
    EXPECT_FALSE(written.decodeBoolForKey("zero"));

    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("junk"),
          ns::PropertyList::dataWithPropertyList(QVariantMap{{"text", "x"}}),
          ns::PropertyList::dataWithPropertyList(
              QVariantMap{{"$archiver", "KeyedArchiver"}, {"$top", "x"}}),
          // A "$top" dictionary alone, or under another archiver's name, is no archive.
          ns::PropertyList::dataWithPropertyList(QVariantMap{{"$top", QVariantMap{{"text", "x"}}}}),
          ns::PropertyList::dataWithPropertyList(
              QVariantMap{{"$archiver", "OtherArchiver"}, {"$top", QVariantMap{{"text", "x"}}}})}) {
        const ns::KeyedUnarchiver other(bytes);
        EXPECT_FALSE(other.isValid()) << bytes.toStdString();
        EXPECT_FALSE(other.containsValueForKey("text"));
    }
}

TEST(KeyedArchiver, RequestsResponsesAndErrorsKeepWhatTheyCarry) {
    ns::URLRequest request;
    request.setURLText("http://h/a%20b?q=1");
    request.setHTTPMethod("POST");
    request.setValue("1", "X-One");
    request.setAllHTTPHeaderFields({{"b", "2"}, {"a", "1"}, {"A", "3"}});
    request.setHTTPBody("a=1&b=2");
    request.setTimeoutInterval(15);
    request.setCachePolicy(ns::URLRequest::CachePolicy::ReloadIgnoringLocalCacheData);
    request.setHTTPShouldHandleCookies(false);
    const auto back = ns::unarchivedURLRequest(ns::archivedURLRequest(request));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->urlText(), "http://h/a%20b?q=1");
    EXPECT_EQ(back->httpMethod(), "POST");
    EXPECT_EQ(back->allHTTPHeaderFields().fields(), request.allHTTPHeaderFields().fields())
        << "in order, names apart by case";
    EXPECT_EQ(back->httpBody(), "a=1&b=2");
    EXPECT_EQ(back->timeoutInterval(), 15);
    EXPECT_EQ(back->cachePolicy(), ns::URLRequest::CachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_FALSE(back->httpShouldHandleCookies());
    EXPECT_FALSE(ns::unarchivedURLRequest(QVariantMap{{"method", "GET"}})) << "no URL";

    const ns::HTTPURLResponse http(
        QUrl("http://h/x"), 404,
        {{"Content-Type", "text/plain; charset=gbk"}, {"Content-Length", "12"}});
    const auto httpBack = std::dynamic_pointer_cast<const ns::HTTPURLResponse>(
        ns::unarchivedURLResponse(ns::archivedURLResponse(http)));
    ASSERT_TRUE(httpBack);
    EXPECT_EQ(httpBack->statusCode(), 404);
    EXPECT_EQ(httpBack->url(), http.url());
    EXPECT_EQ(httpBack->mimeType(), "text/plain");
    EXPECT_EQ(httpBack->textEncodingName(), "gbk");
    EXPECT_EQ(httpBack->expectedContentLength(), 12);
    const ns::URLResponse plain(QUrl("file:///x.txt"), "text/plain", -1, "utf-8");
    const auto plainBack = ns::unarchivedURLResponse(ns::archivedURLResponse(plain));
    ASSERT_TRUE(plainBack);
    EXPECT_FALSE(dynamic_cast<const ns::HTTPURLResponse*>(plainBack.get()));
    EXPECT_EQ(plainBack->expectedContentLength(), -1);
    EXPECT_EQ(plainBack->textEncodingName(), "utf-8");

    const ns::Error error(ns::Error::kURLErrorDomain, ns::Error::kURLErrorCancelled,
                          {{ns::Error::kFailingURLKey, QUrl("http://h/x")},
                           {ns::Error::kLocalizedDescriptionKey, "cancelled"},
                           {"request", QVariant::fromValue(request)}});
    const auto errorBack = ns::unarchivedError(ns::archivedError(error));
    ASSERT_TRUE(errorBack);
    EXPECT_EQ(errorBack->domain(), ns::Error::kURLErrorDomain);
    EXPECT_EQ(errorBack->code(), -999);
    EXPECT_EQ(errorBack->failingURL(), "http://h/x") << "a URL as its text";
    EXPECT_EQ(errorBack->localizedDescription(), "cancelled");
    EXPECT_FALSE(errorBack->userInfo().contains("request")) << "no form: left out";
    EXPECT_FALSE(ns::unarchivedError(QVariantMap{{"code", 1}}));
}

}  // namespace
