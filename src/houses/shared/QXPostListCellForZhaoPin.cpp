#include "houses/shared/QXPostListCellForZhaoPin.h"

#include "houses/shared/ListCellLook.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "ui/image/StretchedImage.h"
#include "util/categories/Tolerant.h"

namespace {

const ui::Color kJobDark = ListCellLook::dark();
const ui::Color kJobGrey = ListCellLook::grey();
const ui::Color kJobOrange = ListCellLook::orange();
constexpr double kStarSize = 12;
constexpr double kStarsRight = 310;

}  // namespace

QXPostListCellForZhaoPin::QXPostListCellForZhaoPin(ui::TableViewCellStyle style,
                                                   const QString& reuseIdentifier)
    : ui::TableViewCell(style, reuseIdentifier) {
    auto background = std::make_shared<ui::ImageView>(
        StretchedImage::withCaps(QStringLiteral("列表信息条.png"), 0, 40));
    background->setFrame(bounds());
    setBackgroundView(background);
    auto selected = std::make_shared<ui::ImageView>(
        StretchedImage::withCaps(QStringLiteral("列表信息条点击.png"), 0, 40));
    selected->setFrame(bounds());
    setSelectedBackgroundView(selected);

    backdrop_ = std::make_shared<ui::ImageView>(
        StretchedImage::withCaps(QStringLiteral("列表-照片背景块.png"), 6, 6));
    backdrop_->setFrame({8, 8, 70, 54});
    backdrop_->setHidden(true);
    imageView_ = std::make_shared<ui::ImageView>(ui::Rect(10, 10, 66, 50));
    imageView_->setHidden(true);

    left1Lbl_ = ListCellLook::label(ui::Font::boldSystemFontOfSize(16), kJobDark);
    left2Lbl_ = ListCellLook::label(ui::Font::systemFontOfSize(12), kJobDark);
    left3Lbl_ = ListCellLook::label(ui::Font::systemFontOfSize(12), kJobGrey);
    right2Lbl_ = ListCellLook::label(ui::Font::boldSystemFontOfSize(12), kJobOrange);
    right2Lbl_->setTextAlignment(ui::TextAlignment::Right);
    middle2Lbl_ = ListCellLook::label(ui::Font::systemFontOfSize(12), kJobDark);
    left4Lbl_ = ListCellLook::label(ui::Font::systemFontOfSize(12), kJobGrey);

    zhiDingView_ = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("顶.png")));
    yanImageView_ =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("验.png")));
    yanImageView_->setHidden(true);
    starBase_ = std::make_shared<ui::ImageView>(
        StretchedImage::fromCentre(QStringLiteral("职位详情-星级底.png")));
    starBase_->setFrame({286, 80, 10, 10});
    starBase_->setTag(kStarBaseTag);

    ui::View* content = contentView();
    for (const auto& view : std::initializer_list<std::shared_ptr<ui::View>>{
             backdrop_, imageView_, left1Lbl_, left2Lbl_, left3Lbl_, right2Lbl_, middle2Lbl_,
             left4Lbl_, zhiDingView_, yanImageView_, starBase_}) {
        content->addSubview(view);
    }
    for (int k = 0; k < kStars; ++k) {
        auto star = std::make_shared<ui::ImageView>(
            ui::Image::imageNamed(QStringLiteral("职位详情-星级.png")));
        star->setFrame({298 - kStarSize * k, 78, kStarSize, kStarSize});
        star->setTag(kFirstStarTag + k);
        content->addSubview(star);
        stars_[std::size_t(k)] = std::move(star);
    }
}

void QXPostListCellForZhaoPin::setContent(std::shared_ptr<const PostCellContent> content) {
    if (content == content_ || (content && content_ && *content == *content_)) return;
    content_ = std::move(content);
    dirty_ = true;
    setNeedsLayout();
}

void QXPostListCellForZhaoPin::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    if (!dirty_) return;
    dirty_ = false;
    drawContent();
}

void QXPostListCellForZhaoPin::drawContent() {
    const PostCellContent cell = content_ ? *content_ : PostCellContent();
    const auto text = [&cell](const char* key) {
        return cell.value(QString::fromLatin1(key)).toString();
    };
    const auto flag = [&cell](const char* key) {
        return cell.value(QString::fromLatin1(key)).toBool();
    };
    imageView_->setImage(nullptr);
    imageView_->setHidden(true);
    backdrop_->setHidden(true);

    const bool pinned = flag("zhiding");
    const double titleWidth = (flag("haveImage") ? 285 : 304) - (pinned ? 19 : 0);
    left1Lbl_->setFrame({8, 8, titleWidth, 20});
    left1Lbl_->setText(text("left1"));
    left2Lbl_->setFrame({8, 34, 50, 16});
    left2Lbl_->setText(text("left2"));
    middle2Lbl_->setFrame({80, 34, 110, 16});
    middle2Lbl_->setText(text("middle2"));
    QString pay = text("right2");
    // Only a pay of exactly nothing reads as negotiable, not a text that merely starts so.
    if (pay == QStringLiteral("0元") || pay == QStringLiteral("0元/月"))
        pay = QStringLiteral("面议");
    right2Lbl_->setFrame({202, 34, 110, 16});
    right2Lbl_->setText(pay);
    left3Lbl_->setFrame({8, 55, 304, 16});
    left3Lbl_->setText(
        QStringLiteral("%1 - %2 - %3").arg(text("left3"), text("middle3"), text("right3")));

    const bool verified = flag("YanFlag");
    yanImageView_->setHidden(!verified);
    if (verified) yanImageView_->setFrame({8, 76, 15, 15});
    left4Lbl_->setFrame({verified ? 27.0 : 10.0, 76, 200, 16});
    left4Lbl_->setText(text("left4"));

    const int n = std::max(0, Tolerant(cell.value(QStringLiteral("right4"))).intValue());
    starBase_->setFrame({kStarsRight - kStarSize * n, 78, kStarSize * n, kStarSize});
    for (int k = 0; k < kStars; ++k) stars_[std::size_t(k)]->setHidden(k >= n);

    zhiDingView_->setHidden(!pinned);
    // The badge sits at the row's right edge (312).
    if (pinned) zhiDingView_->setFrame({297, 8, 15, 15});

    const bool read = flag("hasRead");
    for (ui::Label* dark : {left1Lbl_.get(), left2Lbl_.get(), middle2Lbl_.get()})
        dark->setTextColor(read ? kJobGrey : kJobDark);
    left3Lbl_->setTextColor(kJobGrey);
    left4Lbl_->setTextColor(kJobGrey);
    right2Lbl_->setTextColor(read ? kJobGrey : kJobOrange);
}
