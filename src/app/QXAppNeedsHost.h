#pragma once

#include "needs/NeedsHost.h"

#include <memory>

class SelectedCityState;

// What the need screens ask of the app, answered from the selected-city state, the logged-on
// user, the app's utilities and its loading overlay.
class QXAppNeedsHost final : public NeedsHost {
public:
    explicit QXAppNeedsHost(std::weak_ptr<SelectedCityState> cityState)
        : cityState_(std::move(cityState)) {}

    void setLocationState(UserLocationState state) override;
    [[nodiscard]] QString strLocation() const override;
    [[nodiscard]] bool locationDenied() const override;
    void startLocating() override;
    void forgetLocation() override;
    void afterTenMinStartLocates() override;
    [[nodiscard]] QString selectCityName() const override;
    [[nodiscard]] bool logonSuccess() const override;
    [[nodiscard]] qint64 userId() const override;
    void addLoadingWithMessage(ui::ViewController& screen, const QString& text) override;
    void removeLoading(ui::ViewController& screen) override;
    [[nodiscard]] std::shared_ptr<ui::View> loadingView(const ui::Rect& frame,
                                                        const QString& tip) const override;

private:
    std::weak_ptr<SelectedCityState> cityState_;
};
