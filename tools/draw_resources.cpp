// Draws the app shell's pictures (tab buttons, bars, badges, back and text buttons, the
// loading overlay, the notice background, the guide's button, the check box and the stars)
// into a folder, at two pixels per point ("name@2x.png"). Deterministic: simple shapes and
// the bundled font (WenQuanYi Micro Hei, Debian package fonts-wqy-microhei).
//
//   draw_resources OUTPUT_FOLDER          (the repository's resources/)
// Runs without a display (QT_QPA_PLATFORM=offscreen).
#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr double kScale = 2;
const QColor kGreen(86, 186, 34);
const QColor kDarkGreen(60, 150, 20);
const QColor kGrey(138, 138, 138);
const QColor kRed(230, 60, 50);
const char kFontFile[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

QString gFamily;
QString gFolder;
int gFailures = 0;

// Draws a picture of `width` x `height` points and writes it as "<name>@2x.png".
void draw(const QString& name, double width, double height,
          const std::function<void(QPainter&)>& paint) {
    QImage image(int(width * kScale), int(height * kScale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(kScale, kScale);
        paint(painter);
    }
    const QString path = gFolder + QLatin1Char('/') + name + QStringLiteral("@2x.png");
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "draw_resources: cannot write %s\n", qPrintable(path));
        ++gFailures;
    }
}

QFont font(double points, bool bold = false) {
    QFont f(gFamily);
    f.setPixelSize(int(points));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// Tab icons, 24 x 24 points, centred at the top of an 80 x 49 button.
void homeIcon(QPainter& p) {
    QPainterPath roof;
    roof.moveTo(28, 16);
    roof.lineTo(40, 5);
    roof.lineTo(52, 16);
    p.drawPath(roof);
    p.drawRect(QRectF(31, 15, 18, 14));
    p.drawRect(QRectF(37.5, 21, 5, 8));
}

void chatIcon(QPainter& p) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(28, 6, 24, 17), 5, 5);
    bubble.moveTo(33, 23);
    bubble.lineTo(31, 29);
    bubble.lineTo(39, 23);
    p.drawPath(bubble);
}

void recordIcon(QPainter& p) {
    QPainterPath heart;
    heart.moveTo(40, 28);
    heart.cubicTo(24, 18, 28, 4, 40, 12);
    heart.cubicTo(52, 4, 56, 18, 40, 28);
    p.drawPath(heart);
}

void personIcon(QPainter& p) {
    p.drawEllipse(QRectF(34, 5, 12, 12));
    QPainterPath body;
    body.moveTo(28, 29);
    body.cubicTo(28, 19, 52, 19, 52, 29);
    p.drawPath(body);
}

void tabButton(const QString& title, void (*icon)(QPainter&), bool selected) {
    draw(title + (selected ? QStringLiteral("点击") : QString()), 80, 49, [&](QPainter& p) {
        const QColor colour = selected ? kGreen : kGrey;
        p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        icon(p);
        p.setFont(font(11));
        p.setPen(colour);
        p.drawText(QRectF(0, 32, 80, 15), Qt::AlignHCenter | Qt::AlignVCenter, title);
    });
}

void roundedButton(const QString& name, double width, double height, const QColor& fill,
                   const QColor& border) {
    draw(name, width, height, [&](QPainter& p) {
        p.setPen(QPen(border, 1));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 5, 5);
    });
}

}  // namespace

// The home screen: the publish area's background and round button with its rings, the
// tile icons, the city arrow and the shadow under a title bar.
void homeScreenPictures() {
    for (const auto& [name, height] : {std::pair{QStringLiteral("首页背景bg"), 376.0},
                                       std::pair{QStringLiteral("背景960"), 171.0}}) {
        draw(name, 320, height, [bottom = height](QPainter& p) {
            QLinearGradient fill(0, 0, 0, bottom);
            fill.setColorAt(0, QColor(244, 250, 240));
            fill.setColorAt(1, QColor(222, 240, 210));
            p.fillRect(QRectF(0, 0, 320, bottom), fill);
        });
    }
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("开始找房点击") : QStringLiteral("开始找房"), 201, 201,
             [pressed](QPainter& p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(pressed ? kDarkGreen : kGreen);
                 p.drawEllipse(QRectF(30, 30, 141, 141));
                 p.setPen(Qt::white);
                 p.setFont(font(26, true));
                 p.drawText(QRectF(30, 30, 141, 141), Qt::AlignCenter, QStringLiteral("开始找房"));
             });
    }
    draw(QStringLiteral("背景2"), 201, 201, [](QPainter& p) {
        p.setPen(QPen(QColor(86, 186, 34, 80), 2));
        p.drawEllipse(QRectF(2, 2, 197, 197));
    });
    draw(QStringLiteral("背景1"), 201, 201, [](QPainter& p) {
        p.setPen(QPen(QColor(86, 186, 34, 140), 3));
        p.drawEllipse(QRectF(16, 16, 169, 169));
    });
    draw(QStringLiteral("背景3"), 201, 201, [](QPainter& p) {
        QRadialGradient glow(100.5, 100.5, 100);
        glow.setColorAt(0.6, QColor(86, 186, 34, 90));
        glow.setColorAt(1, QColor(86, 186, 34, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QRectF(0, 0, 201, 201));
    });
    draw(QStringLiteral("圆"), 121, 121, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QRectF(0, 0, 121, 121));
    });
    draw(QStringLiteral("文字"), 121, 121, [](QPainter& p) {
        p.setPen(Qt::white);
        p.setFont(font(24, true));
        p.drawText(QRectF(0, 0, 121, 121), Qt::AlignCenter, QStringLiteral("开始找房"));
    });
    const std::pair<QString, QColor> tiles[] = {
        {QStringLiteral("首页好房子"), QColor(255, 140, 40)},
        {QStringLiteral("首页门店"), QColor(60, 150, 230)},
        {QStringLiteral("首页资讯发布icon"), kGreen},
    };
    for (const auto& [name, colour] : tiles) {
        draw(name, 32, 32, [fillColour = colour](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(fillColour);
            p.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9, 12, 14, 12));
            QPainterPath roof;
            roof.moveTo(7, 13);
            roof.lineTo(16, 6);
            roof.lineTo(25, 13);
            roof.closeSubpath();
            p.drawPath(roof);
        });
    }
    draw(QStringLiteral("首页-选择城市箭头"), 15, 15, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        QPainterPath arrow;
        arrow.moveTo(3, 5);
        arrow.lineTo(12, 5);
        arrow.lineTo(7.5, 10.5);
        arrow.closeSubpath();
        p.drawPath(arrow);
    });
    draw(QStringLiteral("title底部阴影"), 320, 7, [](QPainter& p) {
        QLinearGradient shade(0, 0, 0, 7);
        shade.setColorAt(0, QColor(0, 0, 0, 50));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRectF(0, 0, 320, 7), shade);
    });
}

// A round picture of the first-launch guide: a filled disc with a short label.
void guideDisc(const QString& name, double size, const QColor& colour, const QString& label) {
    draw(name, size, size, [size, colour, label](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(2, 2, size - 4, size - 4));
        p.setPen(Qt::white);
        p.setFont(font(size / 4, true));
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, label);
    });
}

// A caption or headline of the guide: green text on nothing.
void guideText(const QString& name, double width, double height, const QString& text,
               double points) {
    draw(name, width, height, [=](QPainter& p) {
        p.setPen(kGreen);
        p.setFont(font(points, true));
        p.drawText(QRectF(0, 0, width, height), Qt::AlignCenter, text);
    });
}

// The first-launch guide's pictures, drawn at twice the size the pages show them.
void guidePictures() {
    guideText(QStringLiteral("字"), 260, 70, QStringLiteral("租房 合租 买房\n一个应用就够了"), 26);
    guideDisc(QStringLiteral("01"), 280, QColor(120, 200, 80), QStringLiteral("Nevoru"));
    draw(QStringLiteral("上滑icon"), 30, 30, [](QPainter& p) {
        p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath up;
        up.moveTo(6, 20);
        up.lineTo(15, 10);
        up.lineTo(24, 20);
        p.drawPath(up);
    });
    draw(QStringLiteral("背景点"), 6, 12, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(190, 220, 170));
        p.drawEllipse(QRectF(1, 3, 4, 4));
    });
    guideText(QStringLiteral("字2"), 260, 50, QStringLiteral("好房源，随手找"), 22);
    guideText(QStringLiteral("字3"), 260, 50, QStringLiteral("附近门店，一目了然"), 22);
    guideText(QStringLiteral("字4"), 260, 50, QStringLiteral("发布意向，经纪人来找你"), 22);
    guideDisc(QStringLiteral("1-1"), 200, kGreen, QStringLiteral("家"));
    guideDisc(QStringLiteral("1-2"), 120, QColor(60, 60, 60), QString());
    guideDisc(QStringLiteral("1-3"), 120, QColor(255, 170, 60), QStringLiteral("童"));
    guideDisc(QStringLiteral("2-1"), 240, QColor(90, 170, 230), QStringLiteral("地图"));
    guideDisc(QStringLiteral("2-2"), 50, QColor(90, 170, 230, 120), QString());
    guideDisc(QStringLiteral("2-3"), 30, kRed, QString());
    guideDisc(QStringLiteral("2-7"), 60, QColor(255, 170, 60), QStringLiteral("人"));
    guideDisc(QStringLiteral("3-1"), 150, QColor(70, 70, 70), QStringLiteral("手机"));
    guideDisc(QStringLiteral("3-2"), 110, QColor(255, 170, 60), QStringLiteral("人"));
    const QColor icons[] = {kGreen, QColor(90, 170, 230), QColor(255, 140, 40), kRed};
    for (int page = 1; page <= 3; ++page) {
        for (int n = page == 3 ? 3 : 4; n <= 6; ++n) {
            guideDisc(QStringLiteral("%1-%2").arg(page).arg(n), 60, icons[(n + page) % 4],
                      QString::number(n - 2));
        }
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_resources OUTPUT_FOLDER\n");
        return 2;
    }
    gFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gFolder);
    const int fontId = QFontDatabase::addApplicationFont(QString::fromLatin1(kFontFile));
    if (fontId < 0) {
        std::fprintf(stderr, "draw_resources: the font %s is missing\n", kFontFile);
        return 1;
    }
    gFamily = QFontDatabase::applicationFontFamilies(fontId).value(0);

    // The tab shell.
    for (const bool selected : {false, true}) {
        tabButton(QStringLiteral("首页"), homeIcon, selected);
        tabButton(QStringLiteral("沟通"), chatIcon, selected);
        tabButton(QStringLiteral("看房记"), recordIcon, selected);
        tabButton(QStringLiteral("个人中心"), personIcon, selected);
    }
    draw(QStringLiteral("底部tabBG"), 4, 52, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 4, 52), QColor(250, 250, 250));
        p.fillRect(QRectF(0, 0, 4, 0.5), QColor(200, 200, 200));
    });
    draw(QStringLiteral("提示圈"), 22, 22, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(QRectF(1, 1, 20, 20));
    });
    draw(QStringLiteral("im消息提示"), 30, 20, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRoundedRect(QRectF(0, 0, 30, 20), 10, 10);
    });

    // The navigation bar and its buttons.
    draw(QStringLiteral("顶部BG"), 4, 64, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 4, 64), kGreen);
        p.fillRect(QRectF(0, 63.5, 4, 0.5), kDarkGreen);
    });
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("返回点击") : QStringLiteral("返回"), 48, 32,
             [pressed](QPainter& p) {
                 p.setPen(QPen(pressed ? QColor(220, 240, 210) : Qt::white, 2.5, Qt::SolidLine,
                               Qt::RoundCap, Qt::RoundJoin));
                 QPainterPath chevron;
                 chevron.moveTo(20, 8);
                 chevron.lineTo(12, 16);
                 chevron.lineTo(20, 24);
                 p.drawPath(chevron);
             });
    }
    roundedButton(QStringLiteral("button34px"), 20, 34, kDarkGreen, QColor(255, 255, 255, 120));
    roundedButton(QStringLiteral("button34px-点击态"), 20, 34, QColor(40, 110, 10),
                  QColor(255, 255, 255, 120));
    roundedButton(QStringLiteral("icon点击背景"), 12, 12, QColor(0, 0, 0, 50), Qt::transparent);
    draw(QStringLiteral("红点"), 8, 8, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(QRectF(0, 0, 8, 8));
    });

    // The loading overlay and the floating notice.
    draw(QStringLiteral("loading底部"), 60, 60, [](QPainter& p) {
        p.setPen(QPen(QColor(225, 225, 225), 4));
        p.drawEllipse(QRectF(4, 4, 52, 52));
    });
    draw(QStringLiteral("loading图标"), 60, 60, [](QPainter& p) {
        p.setPen(QPen(kGreen, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(4, 4, 52, 52), 90 * 16, -100 * 16);
    });
    roundedButton(QStringLiteral("tip-bg"), 20, 33, QColor(0, 0, 0, 190), Qt::transparent);

    // The first-launch guide's button.
    roundedButton(QStringLiteral("开始button"), 60, 44, Qt::white, kGreen);
    roundedButton(QStringLiteral("开始button点击"), 60, 44, QColor(230, 245, 222), kGreen);

    // The check box and the rating stars.
    for (const bool ticked : {false, true}) {
        draw(ticked ? QStringLiteral("登陆-下次自动登录-选择")
                    : QStringLiteral("登陆-下次自动登录-未选"),
             22, 22, [ticked](QPainter& p) {
                 p.setPen(QPen(ticked ? kGreen : kGrey, 1.5));
                 p.setBrush(ticked ? kGreen : Qt::white);
                 p.drawRoundedRect(QRectF(2, 2, 18, 18), 3, 3);
                 if (!ticked) return;
                 p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                 QPainterPath tick;
                 tick.moveTo(6, 11);
                 tick.lineTo(10, 15);
                 tick.lineTo(16, 7);
                 p.drawPath(tick);
             });
    }
    for (const bool coloured : {true, false}) {
        draw(coloured ? QStringLiteral("彩色五星") : QStringLiteral("灰色五星"), 10, 10,
             [coloured](QPainter& p) {
                 QPainterPath star;
                 for (int i = 0; i < 10; ++i) {
                     const double radius = i % 2 == 0 ? 5 : 2.1;
                     const double angle = -M_PI / 2 + i * M_PI / 5;
                     const QPointF point(5 + radius * std::cos(angle),
                                         5.3 + radius * std::sin(angle));
                     if (i == 0)
                         star.moveTo(point);
                     else
                         star.lineTo(point);
                 }
                 star.closeSubpath();
                 p.setPen(Qt::NoPen);
                 p.setBrush(coloured ? QColor(255, 170, 0) : QColor(210, 210, 210));
                 p.drawPath(star);
             });
    }
    homeScreenPictures();
    guidePictures();

    // The in-use push banner's icons.
    draw(QStringLiteral("推送-小喇叭"), 16, 16, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        QPainterPath horn;
        horn.moveTo(2, 6);
        horn.lineTo(6, 6);
        horn.lineTo(12, 2);
        horn.lineTo(12, 14);
        horn.lineTo(6, 10);
        horn.lineTo(2, 10);
        horn.closeSubpath();
        p.drawPath(horn);
    });
    draw(QStringLiteral("状态栏 icon im消息提示"), 16, 16, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawRoundedRect(QRectF(1, 2, 14, 10), 3, 3);
        QPainterPath tail;
        tail.moveTo(4, 11);
        tail.lineTo(4, 15);
        tail.lineTo(8, 11);
        tail.closeSubpath();
        p.drawPath(tail);
    });
    return gFailures == 0 ? 0 : 1;
}
