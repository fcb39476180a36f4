#include <QGuiApplication>
#include <QPdfWriter>
#include <QPainter>
#include <QFont>
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QPdfWriter w(argv[1]);
    w.setPageSize(QPageSize(QPageSize::A4));
    w.setResolution(72);
    w.setTitle("Qt fixture");
    QPainter p(&w);
    QFont f("DejaVu Sans"); f.setPixelSize(14); p.setFont(f);
    p.drawText(72, 100, "Qt wrote this line.");
    p.drawText(72, 130, "Café déjà vu — naïve façade");
    w.newPage();
    p.drawText(72, 100, "Second page from Qt.");
    p.end();
}
