#include "chat/ChatNeighbourScreens.h"

#include "houses/HousesNavigation.h"

#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/view_controller.h"

namespace {

class TitledPage final : public ui::ViewController {
public:
    TitledPage(const QString& title, QString text) : text_(std::move(text)) {
        // The screen starts below the navigation bar.
        setEdgesForExtendedLayout(ui::kRectEdgeNone);
        setTitle(title);
        setHidesBottomBarWhenPushed(true);
    }

    void viewDidLoad() override {
        view()->setBackgroundColor(ui::Color::rgb(235, 235, 235));
        auto sentence = std::make_shared<ui::Label>(ui::Rect(20, 120, 280, 120));
        sentence->setNumberOfLines(0);
        sentence->setTextAlignment(ui::TextAlignment::Center);
        sentence->setTextColor(ui::Color::darkGrayColor());
        sentence->setBackgroundColor(ui::Color::clearColor());
        sentence->setFont(ui::Font::systemFontOfSize(15));
        sentence->setText(text_);
        view()->addSubview(sentence);
    }

private:
    QString text_;
};

}  // namespace

namespace ChatNeighbourScreens {

std::shared_ptr<ui::ViewController> titledPage(const QString& title, const QString& text) {
    return std::make_shared<TitledPage>(title, text);
}

void pushPostDetail(ui::ViewController& from, const QString& puid) {
    HousesNavigation::pushPostDetail(from, HousesNavigation::PuidOpener::ChatCard, puid);
}

void showPicture(ui::ViewController& from, const QString& url) {
    HousesNavigation::presentPhotoPager(from, HousesNavigation::PhotoPagerMode::ChatPicture, {url});
}

void pushBrokerPage(ui::ViewController& from, const QString& agentId, const QVariant& dataInfo,
                    const std::shared_ptr<ui::ViewController>& chat) {
    HousesNavigation::pushBrokerPage(from,
                                     {.agentId = agentId, .dataInfo = dataInfo, .chat = chat});
}

}  // namespace ChatNeighbourScreens
