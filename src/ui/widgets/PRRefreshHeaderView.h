#pragma once

#include "ui/widgets/PRRefreshBaseView.h"

#include <QDateTime>

// Pull down above a list to refresh it; remembers when the last refresh ended in
// the user defaults and shows it.
class PRRefreshHeaderView : public PRRefreshBaseView {
public:
    static inline const QString kLastUpdateTimeKey = QStringLiteral("PRRefreshHeaderView");

    [[nodiscard]] static std::shared_ptr<PRRefreshHeaderView> header();
    PRRefreshHeaderView();

    void setScrollView(const std::shared_ptr<ui::ScrollView>& scrollView) override;
    void setState(PRRefreshState state) override;

    [[nodiscard]] const QDateTime& lastUpdateTime() const { return lastUpdateTime_; }
    void setLastUpdateTime(const QDateTime& time);
    void updateTimeLabel();

protected:
    [[nodiscard]] double validY() const override { return scrollViewInitInset_.top; }

private:
    QDateTime lastUpdateTime_;
};
