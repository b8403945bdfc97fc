#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QtGlobal>

// A request body of key=value pairs joined by "&", in the order they were added, for
// example "categoryId=7&majorCategoryId=\"\"&pageIndex=2". Every value comes out as valid
// form text whatever it holds: texts are percent-escaped, JSON values form-escaped.
class FormBody {
public:
    // A text value, percent-escaped (QXEncode::URLEncode); the empty text stays empty
    // ("ucUserId=").
    FormBody& add(const QString& key, const QString& text);
    // The fixed "no value" of some calls' formats: two double-quote characters
    // ("majorCategoryId=\"\"").
    FormBody& addNoValue(const QString& key);
    // A number, as decimal text.
    FormBody& add(const QString& key, qint64 number);
    // A JSON value (made with BodyJson), written as it stands but for the form escapes of
    // BodyJson::formValue, e.g. conditions={"postId":"1"}.
    FormBody& addJson(const QString& key, const QString& json);

    // The body text.
    [[nodiscard]] QString text() const;

private:
    QList<QPair<QString, QString>> pairs_;
};
