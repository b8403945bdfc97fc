// The reference of the start-up benchmark: a bare Qt program that opens an empty window of
// the app's size (320 x 480 points at two pixels per point) and quits once its first frame
// is drawn.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QTimer>

namespace {
class EmptyWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRect(0, 0, width(), height()), Qt::white);
        painter.end();
        // The frame is drawn; quit when the loop comes back.
        QTimer::singleShot(0, qApp, &QGuiApplication::quit);
    }
};
}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    EmptyWindow window;
    window.resize(640, 960);
    window.show();
    return QGuiApplication::exec();
}
