#include "houses/shared/QXPostListCell.h"

#include "houses/shared/HousesHost.h"
#include "houses/shared/ListCellLook.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/string_drawing.h"

namespace {

const ui::Color kCellDark = ListCellLook::dark();
const ui::Color kCellGrey = ListCellLook::grey();
const ui::Color kCellOrange = ListCellLook::orange();

std::shared_ptr<ui::ImageView> picture(const QString& name) {
    return std::make_shared<ui::ImageView>(ui::Image::imageNamed(name));
}

}  // namespace

QXPostListCell::QXPostListCell(ui::TableViewCellStyle style, const QString& reuseIdentifier)
    : ui::TableViewCell(style, reuseIdentifier) {
    ListCellLook::styleRow(*this);
    // right3 is made with the others but never placed: the price per area stays in the
    // content only.
    ListCellLook::makeTextLabels(left1Lbl_, left2Lbl_, left3Lbl_, right2Lbl_, right3Lbl_);

    zhiDingView_ = picture(QStringLiteral("顶.png"));
    yanImageView_ = picture(QStringLiteral("验.png"));
    fangImageView_ = picture(QStringLiteral("放心房.png"));
    baojiaImageView_ = picture(QStringLiteral("报价.png"));
    haveImageView_ = picture(QStringLiteral("文字预览模式.png"));
    splitView_ = picture(QStringLiteral("列表分割线.png"));
    splitView_->setBackgroundColor(ui::Color::rgb(224, 224, 224));

    ui::View* content = contentView();
    thumbnail_.addTo(*content);
    for (const auto& view : std::initializer_list<std::shared_ptr<ui::View>>{
             left1Lbl_, left2Lbl_, left3Lbl_, right2Lbl_, zhiDingView_, yanImageView_,
             fangImageView_, baojiaImageView_, haveImageView_, splitView_}) {
        content->addSubview(view);
    }
}

bool QXPostListCell::listsShowThumbnails() {
    if (HousesHost::shared()->useWifi()) return true;
    const QVariant stored =
        ns::UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("IsShowWifiImage"));
    return stored.isValid() && !stored.toBool();
}

bool QXPostListCell::categoryShowsThumbnail(int masterId, int majorId) {
    if (masterId > 14) return false;
    if (masterId == 1 || masterId == 4 || masterId == 5 || masterId == 6 || masterId == 14) {
        return true;
    }
    return masterId == 7 && majorId != 2 && majorId != 4;
}

void QXPostListCell::setContent(std::shared_ptr<const PostCellContent> content) {
    // Tables ask again for rows already shown: equal content keeps what is drawn.
    if (content == content_ || (content && content_ && *content == *content_)) return;
    content_ = std::move(content);
    dirty_ = true;
    setNeedsLayout();
}

void QXPostListCell::setIsShowWifiImage(bool show) {
    if (show == showWifiImage_) return;
    showWifiImage_ = show;
    dirty_ = true;
    setNeedsLayout();
}

void QXPostListCell::setIsFav(bool isFav) {
    if (isFav == isFav_) return;
    isFav_ = isFav;
    dirty_ = true;
    setNeedsLayout();
}

void QXPostListCell::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    if (!dirty_) {
        splitView_->setFrame({0, bounds().size.height - 0.5, kWidth, 0.5});
        return;
    }
    dirty_ = false;
    drawContent();
}

void QXPostListCell::drawContent() {
    ++drawingPasses_;
    const PostCellContent cell = content_ ? *content_ : PostCellContent();
    const int masterId = cell.value(QStringLiteral("masterId")).toInt();
    const int majorId = cell.value(QStringLiteral("majorId")).toInt();
    firstWidth_ = 304;

    QString right = cell.value(QStringLiteral("right2")).toString();
    if (right.startsWith(QStringLiteral("0元"))) right = QStringLiteral("面议");
    right2Lbl_->setText(right);
    left1Lbl_->setText(cell.value(QStringLiteral("left1")).toString());
    left2Lbl_->setText(cell.value(QStringLiteral("left2")).toString());
    left3Lbl_->setText(cell.value(QStringLiteral("left3")).toString());

    if (showWifiImage_) {
        firstWidth_ = 304 - 80;
        const bool thumbnail = categoryShowsThumbnail(masterId, majorId);
        const double x = thumbnail ? 84 : 8;
        if (thumbnail) {
            thumbnail_.show(cell.value(QStringLiteral("image")).toString());
        } else {
            thumbnail_.hide();
        }
        left1Lbl_->setFrame({x, 8, thumbnail ? 225.0 : 295.0, 20});
        left3Lbl_->setFrame({x, 46, thumbnail ? 165.0 : 205.0, 16});
        const double full = thumbnail ? 228 : 304;
        double left2Width = full;
        if (!right.isEmpty()) {
            const double width =
                ui::StringDrawing::sizeWithFont(right, right2Lbl_->font(), ui::Size(1e6, 16)).width;
            right2Lbl_->setFrame({310 - width, 46, width, 16});
            left2Width = full - (width + 5);
        }
        left2Lbl_->setFrame({x, 29, left2Width, 16});
    } else {
        thumbnail_.hide();
        left1Lbl_->setFrame({8, 8, 304, 20});
        left2Lbl_->setFrame({8, 29, 250, 16});
        left3Lbl_->setFrame({8, 46, 205, 16});
        right2Lbl_->setFrame({220, 46, 90, 16});
    }

    // Badges from the right edge of the title line leftwards.
    double x = 294;
    const bool fang = cell.value(QStringLiteral("FangFlag")).toBool();
    fangImageView_->setHidden(!fang);
    if (fang) {
        fangImageView_->setFrame({294, 8, 18, 18});
        x = 275;
        firstWidth_ -= 19;
    }
    const bool quotation = cell.value(QStringLiteral("quotation")).toBool();
    baojiaImageView_->setHidden(!quotation);
    if (quotation) {
        baojiaImageView_->setFrame({x - 18, 8, 35, 18});
        contentView()->bringSubviewToFront(baojiaImageView_.get());
        x -= 36;
        firstWidth_ -= 36;
    }
    const bool pinned = cell.value(QStringLiteral("zhiding")).toBool();
    zhiDingView_->setHidden(!pinned);
    if (pinned) {
        zhiDingView_->setFrame({x, 8, 18, 18});
        x -= 19;
        firstWidth_ -= 19;
    }
    const bool verified = cell.value(QStringLiteral("YanFlag")).toBool();
    yanImageView_->setHidden(!verified);
    if (verified) {
        yanImageView_->setFrame({x, 8, 18, 18});
        firstWidth_ -= 18;
    }
    left1Lbl_->setFrame({left1Lbl_->frame().origin.x, 8, firstWidth_, 20});

    const bool photos = cell.value(QStringLiteral("haveImage")).toBool();
    haveImageView_->setHidden(!photos);
    if (photos) {
        left3Lbl_->sizeToFit();
        if (left3Lbl_->frame().size.width > 275) left3Lbl_->setFrame({8, 55, 275, 16});
        const ui::Rect third = left3Lbl_->frame();
        haveImageView_->setFrame({third.origin.x + third.size.width + 10, third.origin.y, 17, 14});
    }

    const bool read = cell.value(QStringLiteral("hasRead")).toBool();
    left1Lbl_->setTextColor(!read || isFav_ ? kCellDark : kCellGrey);
    left2Lbl_->setTextColor(kCellGrey);
    left3Lbl_->setTextColor(kCellGrey);
    right2Lbl_->setTextColor(kCellOrange);
    splitView_->setFrame({0, bounds().size.height - 0.5, kWidth, 0.5});
}
