#include "pdfengine/WebEnginePdf.h"

#include <unistd.h>

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QMarginsF>
#include <QMutex>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <stdexcept>
#include <thread>

namespace pellmark::pdfengine {

namespace {

const QByteArray kScheme = "pellmark-page";

QPageLayout layoutOf(formats::PageSize size, const QMarginsF& margins) {
    return QPageLayout(QPageSize(size == formats::PageSize::A4 ? QPageSize::A4 : QPageSize::Letter),
                       QPageLayout::Portrait, margins, QPageLayout::Millimeter);
}

// Room at the foot of each page for its number.
const QMarginsF kMargins(15, 15, 15, 20);

// Pages are served from memory: setHtml would take no more than 2 MB, and a mail's images come
// inside its page as data: URIs.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
  public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    QString add(const std::string& html) {
        const QMutexLocker lock(&mutex_);
        const QString id = QString::number(++next_);
        pages_[id] = QByteArray(html.data(), static_cast<qsizetype>(html.size()));
        return id;
    }
    void remove(const QString& id) {
        const QMutexLocker lock(&mutex_);
        pages_.erase(id);
    }
    void requestStarted(QWebEngineUrlRequestJob* job) override {
        QByteArray html;
        {
            const QMutexLocker lock(&mutex_);
            auto it = pages_.find(job->requestUrl().path());
            if (it == pages_.end()) {
                job->fail(QWebEngineUrlRequestJob::UrlNotFound);
                return;
            }
            html = it->second;
        }
        auto* buffer = new QBuffer(job);
        buffer->setData(html);
        job->reply("text/html;charset=utf-8", buffer);
    }

  private:
    QMutex mutex_;
    std::map<QString, QByteArray> pages_;
    qulonglong next_ = 0;
};

// Only the page itself and what it carries inside (data: URIs) load.
class LocalOnly : public QWebEngineUrlRequestInterceptor {
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != QString::fromLatin1(kScheme) && scheme != QLatin1String("data")) {
            info.block(true);
        }
    }
};

void registerPageScheme() {
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

// Qt's and Chromium's notes on the missing display and GPU are no business of the export's
// standard error, which carries what failed; warnings stay, critical messages too.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg) return;
    const QByteArray category(context.category ? context.category : "");
    if (category.startsWith("qt.webengine") || message.contains(QLatin1String("XDG_RUNTIME_DIR")) ||
        message.contains(QLatin1String("WebEngineContext used before")) ||
        message.contains(QLatin1String("No suitable graphics backend"))) {
        return;
    }
    std::fprintf(stderr, "pellmark-export: %s\n", qPrintable(message));
}

void prepareEnvironment() {
    qInstallMessageHandler(quietMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--log-level=3");
    if (::geteuid() == 0) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox"))
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --no-sandbox");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

class Pages;

class WebEnginePdf : public formats::PdfEngine {
  public:
    WebEnginePdf();
    ~WebEnginePdf() override;
    std::string render(const std::string& html, formats::PageSize size) override;
    std::string pageNumbers(std::size_t pages, formats::PageSize size) override;
    std::string srgbProfile() override;

  private:
    std::unique_ptr<Pages> pages_;
};

// Lives on the application's thread: the profile, and the pages being rendered.
class Pages : public QObject {
  public:
    Pages() : profile_(new QWebEngineProfile(this)), handler_(new PageSchemeHandler(this)) {
        profile_->installUrlSchemeHandler(kScheme, handler_);
        profile_->setUrlRequestInterceptor(new LocalOnly(this));
        profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    }

    // Runs `work` on this object's thread and waits for what it gives.
    template <typename Work>
    auto onAppThread(Work work) -> decltype(work()) {
        std::packaged_task<decltype(work())()> task(std::move(work));
        auto result = task.get_future();
        QMetaObject::invokeMethod(
            this, [&task] { task(); }, Qt::QueuedConnection);
        return result.get();
    }

    void start(const std::string& html, formats::PageSize size,
               std::shared_ptr<std::promise<std::string>> done) {
        auto* page = new QWebEnginePage(profile_, this);
        QWebEngineSettings* settings = page->settings();
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
        const QString id = handler_->add(html);
        auto finish = [this, page, id, done](std::string pdf, const char* failure) {
            handler_->remove(id);
            page->deleteLater();
            if (failure) {
                done->set_exception(std::make_exception_ptr(std::runtime_error(failure)));
            } else {
                done->set_value(std::move(pdf));
            }
        };
        QObject::connect(page, &QWebEnginePage::loadFinished, page, [=](bool ok) {
            if (!ok) return finish({}, "the HTML engine could not load the page");
            page->printToPdf(
                [=](const QByteArray& pdf) {
                    if (pdf.isEmpty()) return finish({}, "the HTML engine made no PDF of the page");
                    finish(pdf.toStdString(), nullptr);
                },
                layoutOf(size, kMargins));
        });
        QUrl url;
        url.setScheme(QString::fromLatin1(kScheme));
        url.setPath(id);
        page->load(url);
    }

  private:
    QWebEngineProfile* profile_;
    PageSchemeHandler* handler_;
};

WebEnginePdf::WebEnginePdf() : pages_(std::make_unique<Pages>()) {}

WebEnginePdf::~WebEnginePdf() = default;

std::string WebEnginePdf::render(const std::string& html, formats::PageSize size) {
    auto done = std::make_shared<std::promise<std::string>>();
    auto result = done->get_future();
    QMetaObject::invokeMethod(
        pages_.get(), [this, html, size, done] { pages_->start(html, size, done); },
        Qt::QueuedConnection);
    // A page that never finishes loading (the engine's process gone) fails its item, not the
    // run: the page still ends in its own time, the promise kept alive by the job.
    if (result.wait_for(std::chrono::minutes(2)) != std::future_status::ready)
        throw std::runtime_error("the HTML engine did not finish the page in two minutes");
    return result.get();
}

std::string WebEnginePdf::pageNumbers(std::size_t pages, formats::PageSize size) {
    return pages_->onAppThread([pages, size] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&buffer);
            writer.setCreator(QStringLiteral("Pellmark"));
            writer.setPageLayout(layoutOf(size, QMarginsF(0, 0, 0, 0)));
            writer.setResolution(72);
            QPainter painter(&writer);
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPointSizeF(8);
            painter.setFont(font);
            painter.setPen(QColor(96, 96, 96));
            const QRect page = painter.viewport();
            const QRect foot(0, page.height() - 40, page.width(), 24);
            for (std::size_t i = 0; i < pages; ++i) {
                if (i > 0) writer.newPage();
                painter.drawText(foot, Qt::AlignCenter,
                                 QStringLiteral("%1 / %2").arg(i + 1).arg(pages));
            }
        }
        return bytes.toStdString();
    });
}

std::string WebEnginePdf::srgbProfile() {
    return QColorSpace(QColorSpace::SRgb).iccProfile().toStdString();
}

}  // namespace

int runWithPdfEngine(int argc, char** argv, formats::PdfSettings settings,
                     const std::function<int()>& work) {
    registerPageScheme();
    prepareEnvironment();
    QGuiApplication app(argc, argv);
    formats::setPdfEngine(std::make_shared<WebEnginePdf>(), settings);
    int status = 0;
    std::thread worker([&] {
        status = work();
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    worker.join();
    formats::setPdfEngine(nullptr, {});
    return status;
}

}  // namespace pellmark::pdfengine
