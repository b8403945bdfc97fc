#include "houses/catalog/MainMajorScrollView.h"

#include "houses/catalog/tovikCatalog.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/page_control.h"

#include <cmath>

std::shared_ptr<MainMajorScrollView> MainMajorScrollView::initWithFrame(const ui::Rect& frame,
                                                                        int masterIndex,
                                                                        bool fromNearBy) {
    auto grid = std::make_shared<MainMajorScrollView>(frame, fromNearBy);
    grid->selfMasterIndex_ = masterIndex;
    grid->tagScrollView_->setDelegate(grid);
    if (masterIndex != kNoPages) grid->reCreateMajorScorllView(frame, masterIndex);
    return grid;
}

MainMajorScrollView::MainMajorScrollView(const ui::Rect& frame, bool fromNearBy)
    : ui::View(frame), fromNearBy_(fromNearBy) {
    setBackgroundColor(ui::Color::colorWithWhite(102.0 / 255));
    setClipsToBounds(true);
    auto top = std::make_shared<ui::View>(ui::Rect(0, 0, kPageWidth, 11));
    top->setBackgroundColor(ui::Color::colorWithWhite(235.0 / 255));
    top->setClipsToBounds(false);
    arrowImgView_ =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("展开角.png")));
    arrowImgView_->setFrame({0, 0, 18, 13});
    top->addSubview(arrowImgView_);
    addSubview(top);
    auto shadow = std::make_shared<ui::View>(ui::Rect(0, 10, kPageWidth, 4));
    if (auto pattern = ui::Image::imageNamed(QStringLiteral("首页阴影.png")))
        shadow->setBackgroundColor(ui::Color::colorWithPatternImage(pattern));
    addSubview(shadow);

    tagScrollView_ = std::make_shared<ui::ScrollView>(ui::Rect(0, kGridTop, kPageWidth, 0));
    tagScrollView_->setPagingEnabled(true);
    tagScrollView_->setShowsHorizontalScrollIndicator(false);
    tagScrollView_->setShowsVerticalScrollIndicator(false);
    tagScrollView_->setBackgroundColor(ui::Color::colorWithWhite(51.0 / 255));
    tagScrollView_->setClipsToBounds(true);
    addSubview(tagScrollView_);

    pageControl_ =
        std::make_shared<ui::PageControl>(ui::Rect(0, kGridTop, kPageWidth, kDotsHeight));
    pageControl_->setBackgroundColor(ui::Color::colorWithWhite(51.0 / 255));
    // The dots are pictures laid over the control.
    pageControl_->setPageIndicatorTintColor(ui::Color::clearColor());
    pageControl_->setCurrentPageIndicatorTintColor(ui::Color::clearColor());
    pageControl_->addTarget(pageControl_.get(), ui::kControlEventValueChanged,
                            [this](ui::Control&, const ui::Event*) { changePage(); });
    pageControl_->setHidden(true);
    addSubview(pageControl_);
}

void MainMajorScrollView::reCreateMajorScorllView(const ui::Rect&, int masterIndex) {
    selfMasterIndex_ = masterIndex;
    for (const auto& button : buttons_) button->removeFromSuperview();
    buttons_.clear();
    pageControl_->setHidden(true);

    const tovikCatalog& catalog =
        fromNearBy_ ? static_cast<const tovikCatalog&>(tovikCatalog_nb::instance())
                    : tovikCatalog_list::instance();
    const int count = catalog.getMajorCatalogNumWithMasterIndex(masterIndex);
    const auto delegate = btnDelegate_;
    for (int i = 0; i < count; ++i) {
        const int page = i / kButtonsPerPage;
        const int place = i % kButtonsPerPage;
        const int row = place / kColumns;
        const int column = place % kColumns;
        auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
        button->setFrame(
            {page * kPageWidth + column * 106, row * kRowHeight - 1, 107, row == 3 ? 44.0 : 45.0});
        button->layer()->setBorderWidth(1);
        button->layer()->setBorderColor(ui::Color::rgb(20, 20, 20));
        button->setBackgroundColor(ui::Color::clearColor());
        button->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("纹理.png")),
                                   ui::kControlStateHighlighted);
        button->setTitle(catalog.getMajorCatalogNameWithMasterIndex(masterIndex, i),
                         ui::kControlStateNormal);
        button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
        button->setTitleShadowColor(ui::Color::colorWithWhite(0, 0.5), ui::kControlStateNormal);
        button->titleLabel()->setShadowOffset({0, 1});
        button->titleLabel()->setFont(ui::Font::systemFontOfSize(14));
        button->setTag(i);
        button->addTarget(button.get(), ui::kControlEventTouchUpInside,
                          [this](ui::Control& tapped, const ui::Event*) {
                              if (auto owner = btnDelegate_.lock())
                                  owner->majorClick(static_cast<ui::Button&>(tapped));
                          });
        tagScrollView_->addSubview(button);
        buttons_.push_back(std::move(button));
    }

    const int pages = std::max(1, int(std::ceil(double(count) / kButtonsPerPage)));
    const int rows = std::min(4, int(std::ceil(double(count) / kColumns)));
    const double gridHeight = pages > 1 ? 4 * kRowHeight : rows * kRowHeight;
    tagScrollView_->setFrame({0, kGridTop, kPageWidth, gridHeight});
    tagScrollView_->setContentSize({pages * kPageWidth, gridHeight});
    tagScrollView_->setContentOffset({0, 0});
    pageControl_->setFrame({0, gridHeight + kGridTop, kPageWidth, kDotsHeight});
    pageControl_->setNumberOfPages(pages);
    pageControl_->setCurrentPage(0);
    ui::Rect own = frame();
    if (count > kButtonsPerPage) {
        pageControl_->setHidden(false);
        own = {0, 0, kPageWidth, gridHeight + kGridTop + kDotsHeight};
    } else {
        own.size.height = gridHeight + kGridTop;
    }
    setFrame(own);
    showDots();
}

void MainMajorScrollView::showDots() {
    for (const auto& dot : dots_) dot->removeFromSuperview();
    dots_.clear();
    const int pages = pageControl_->numberOfPages();
    const ui::Size size = pageControl_->sizeForNumberOfPages(pages);
    const ui::Rect bounds = pageControl_->bounds();
    double x = (bounds.size.width - size.width) / 2;
    for (int page = 0; page < pages; ++page) {
        auto dot = std::make_shared<ui::ImageView>(ui::Image::imageNamed(
            page == pageControl_->currentPage() ? QStringLiteral("橙色点.png")
                                                : QStringLiteral("非当前页点.png")));
        dot->setFrame({x, (bounds.size.height - ui::PageControl::kDotDiameter) / 2,
                       ui::PageControl::kDotDiameter, ui::PageControl::kDotDiameter});
        pageControl_->addSubview(dot);
        dots_.push_back(std::move(dot));
        x += ui::PageControl::kDotDiameter + ui::PageControl::kDotSpacing;
    }
}

void MainMajorScrollView::changePage() {
    const double width = tagScrollView_->frame().size.width;
    tagScrollView_->setContentOffset({pageControl_->currentPage() * width, 0}, true);
}

void MainMajorScrollView::scrollViewDidScroll(ui::ScrollView& scrollView) {
    const double width = scrollView.frame().size.width;
    if (width <= 0) return;
    const int page = int(std::floor((scrollView.contentOffset().x - width / 2) / width)) + 1;
    pageControl_->setCurrentPage(page);
    showDots();
}
