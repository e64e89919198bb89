// The embedded browser that shows a camera's own web pages. It reports every
// navigation with the form data it posts (the page's forms are read in the
// page itself, as they are submitted), and asks for a user name and password
// when a page demands an HTTP log-in. Navigations are never stopped.
//
// The program's browser is Qt WebEngine; a build without it has none
// (CreateEmbeddedBrowser gives nullptr) and the web page is not offered.
#pragma once

#include <QByteArray>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

class EmbeddedBrowser : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~EmbeddedBrowser() override = default;

    virtual void Navigate(const QString& url) = 0;
    virtual QUrl Url() const = 0;
    // Runs a script in the page (the screenshot tool and tests act on a page with it).
    virtual void RunScript(const QString& script) = 0;

    // Asked when a page wants a log-in; false cancels it.
    std::function<bool(const QUrl& url, QString& user, QString& password)> askCredentials;

signals:
    // Every navigation: where to, and the form data it carries (empty: none).
    void BeforeNavigate2(const QUrl& url, const QByteArray& postData);
    void LoadFinished(bool ok);
};

// True when this build has a browser.
bool EmbeddedBrowserAvailable();
// Before the application object exists: what the browser needs of the
// process (shared graphics contexts; no Chromium sandbox when running as
// root, where it cannot start).
void PrepareEmbeddedBrowser();
std::unique_ptr<EmbeddedBrowser> CreateEmbeddedBrowser(QWidget* parent);
