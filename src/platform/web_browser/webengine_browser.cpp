// The embedded browser on Qt WebEngine. Qt 6.4 gives no access to request
// bodies, so a script that runs in every frame of every page reads each form
// as it is submitted (by a button, by Enter, or by the page's own
// form.submit()) and hands the action address and the url-encoded fields to
// the program through a marked console message.
#include "platform/web_browser/embedded_browser.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVBoxLayout>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <unistd.h>

namespace {

const QString kMarker = QStringLiteral("\u0001camform\u0001");

// Serialises a posted form the way a browser sends it
// (application/x-www-form-urlencoded, successful controls in tree order, the
// button that submitted it at its place) and reports it once per submission.
const char* const kFormScript = R"JS(
(function () {
  if (window.__camFormHook) return;
  window.__camFormHook = true;
  var marker = '\u0001camform\u0001';
  var lastButton = null;
  function enc(s) {
    return encodeURIComponent(s).replace(/%20/g, '+').replace(/[!'()~]/g, function (c) {
      return '%' + c.charCodeAt(0).toString(16).toUpperCase();
    });
  }
  function serialise(form, submitter) {
    var out = [];
    var els = form.elements;
    for (var i = 0; i < els.length; i++) {
      var e = els[i];
      if (!e.name || e.disabled) continue;
      var tag = e.tagName, type = (e.type || '').toLowerCase();
      if (tag === 'FIELDSET' || tag === 'OUTPUT' || tag === 'OBJECT') continue;
      if (type === 'submit' || type === 'image' || type === 'button' || type === 'reset' || tag === 'BUTTON') {
        if (e !== submitter || type === 'button' || type === 'reset') continue;
        if (type === 'image') { out.push(enc(e.name + '.x') + '=0'); out.push(enc(e.name + '.y') + '=0'); continue; }
      } else if ((type === 'checkbox' || type === 'radio') && !e.checked) {
        continue;
      } else if (type === 'file') {
        continue;
      }
      if (tag === 'SELECT') {
        for (var j = 0; j < e.options.length; j++)
          if (e.options[j].selected) out.push(enc(e.name) + '=' + enc(e.options[j].value));
        continue;
      }
      out.push(enc(e.name) + '=' + enc(e.value));
    }
    return out.join('&');
  }
  function report(form, submitter) {
    if ((form.getAttribute('method') || 'get').toLowerCase() !== 'post') return;
    console.log(marker + JSON.stringify({url: form.action || document.location.href,
                                         body: serialise(form, submitter)}));
  }
  document.addEventListener('click', function (ev) {
    var t = ev.target && ev.target.closest ? ev.target.closest('button, input') : null;
    lastButton = t && t.form ? t : null;
  }, true);
  // At the window, after every handler of the page: a submission the page
  // cancelled is not a post.
  window.addEventListener('submit', function (ev) {
    if (ev.defaultPrevented) return;
    report(ev.target, ev.submitter || lastButton);
  }, false);
  var submit = HTMLFormElement.prototype.submit;
  HTMLFormElement.prototype.submit = function () {
    report(this, null);
    return submit.apply(this, arguments);
  };
})();
)JS";

class CameraPage : public QWebEnginePage {
public:
    CameraPage(QWebEngineProfile* profile, QObject* parent,
               std::function<void(QUrl, QByteArray)> posted)
        : QWebEnginePage(profile, parent), m_posted(std::move(posted))
    {
    }

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override
    {
        if (!message.startsWith(kMarker))
            return;
        const QJsonObject o =
            QJsonDocument::fromJson(message.mid(kMarker.size()).toUtf8()).object();
        const QUrl url(o.value(QStringLiteral("url")).toString());
        const QByteArray body = o.value(QStringLiteral("body")).toString().toUtf8();
        if (url.isValid())
            m_posted(url, body);
    }

private:
    std::function<void(QUrl, QByteArray)> m_posted;
};

class WebEngineBrowser : public EmbeddedBrowser {
public:
    explicit WebEngineBrowser(QWidget* parent) : EmbeddedBrowser(parent)
    {
        // A profile of its own, kept in memory: nothing of the camera's pages
        // stays on disk.
        m_profile = new QWebEngineProfile(this);
        QWebEngineScript script;
        script.setName(QStringLiteral("camform"));
        script.setSourceCode(QString::fromUtf8(kFormScript));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setRunsOnSubFrames(true);
        m_profile->scripts()->insert(script);
        m_view = new QWebEngineView(this);
        auto* page =
            new CameraPage(m_profile, m_view, [this](const QUrl& url, const QByteArray& body) {
                emit BeforeNavigate2(url, body);
            });
        m_view->setPage(page);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        connect(page, &QWebEnginePage::navigationRequested, this,
                [this](QWebEngineNavigationRequest& r) {
                    // Posts were reported with their data as they were submitted.
                    if (r.navigationType() != QWebEngineNavigationRequest::FormSubmittedNavigation)
                        emit BeforeNavigate2(r.url(), {});
                });
        connect(page, &QWebEnginePage::authenticationRequired, this,
                [this](const QUrl& url, QAuthenticator* auth) {
                    QString user, password;
                    if (askCredentials && askCredentials(url, user, password)) {
                        auth->setUser(user);
                        auth->setPassword(password);
                    } else {
                        *auth = QAuthenticator();  // cancelled: the page says so
                    }
                });
        connect(m_view, &QWebEngineView::loadFinished, this, &EmbeddedBrowser::LoadFinished);
    }
    ~WebEngineBrowser() override
    {
        // The page goes before its profile.
        delete m_view;
    }

    void Navigate(const QString& url) override { m_view->setUrl(QUrl(url)); }
    QUrl Url() const override { return m_view->url(); }
    void RunScript(const QString& script) override { m_view->page()->runJavaScript(script); }

private:
    QWebEngineProfile* m_profile;
    QWebEngineView* m_view;
};

}  // namespace

bool EmbeddedBrowserAvailable() { return true; }

void PrepareEmbeddedBrowser()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

std::unique_ptr<EmbeddedBrowser> CreateEmbeddedBrowser(QWidget* parent)
{
    return std::make_unique<WebEngineBrowser>(parent);
}
