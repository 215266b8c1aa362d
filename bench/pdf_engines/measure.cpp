// Renders HTML files to PDF with one engine, for timing and pictures.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <cstdio>

static QPageLayout a4() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString engine = args.takeFirst();
    int repeat = args.takeFirst().toInt();
    QElapsedTimer timer;
    timer.start();
    if (engine == "textdoc") {
        for (int r = 0; r < repeat; ++r)
            for (const QString& in : args) {
                QFile f(in);
                f.open(QIODevice::ReadOnly);
                QTextDocument doc;
                doc.setHtml(QString::fromUtf8(f.readAll()));
                QPdfWriter w(in + ".textdoc.pdf");
                w.setPageLayout(a4());
                doc.print(&w);
            }
        std::printf("textdoc %d pages in %lld ms\n", int(args.size() * repeat), timer.elapsed());
        return 0;
    }
    QWebEnginePage page(QWebEngineProfile::defaultProfile());
    int index = 0, round = 0, done = 0;
    std::function<void()> next;
    next = [&] {
        if (index == args.size()) {
            index = 0;
            ++round;
        }
        if (round == repeat) {
            std::printf("webengine %d pages in %lld ms\n", done, timer.elapsed());
            app.quit();
            return;
        }
        page.load(QUrl::fromLocalFile(args[index]));
    };
    QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool ok) {
        if (!ok) std::fprintf(stderr, "load failed\n");
        page.printToPdf(
            [&](const QByteArray& pdf) {
                QFile out(args[index] + ".webengine.pdf");
                out.open(QIODevice::WriteOnly);
                out.write(pdf);
                ++done;
                ++index;
                next();
            },
            a4());
    });
    next();
    return app.exec();
}
