#include "houses/query/SearchKeyword.h"

#include "platform/uikit/alert_view.h"

#include <algorithm>

QString SearchKeyword::afterEdit(const QString& text, ui::Range range, const QString& replacement) {
    const qsizetype start = std::clamp<qsizetype>(range.location, 0, text.size());
    const qsizetype length = std::clamp<qsizetype>(range.length, 0, text.size() - start);
    QString after = text;
    after.replace(start, length, replacement);
    return after;
}

QString SearchKeyword::cleaned(const QString& text) {
    QString kept = text;
    kept.remove(u'\n').remove(u'\r');
    return kept.trimmed();
}

void SearchKeyword::alertEmptyKeyword() {
    auto alert = std::make_shared<ui::AlertView>(
        QString(), kEmptyKeyword, std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确定"));
    alert->show();
}
