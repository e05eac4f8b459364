#include "web/consolepages.h"

namespace ringvale::pages {
extern const std::string_view embedded_index_html;
extern const std::string_view embedded_app_js;
extern const std::string_view embedded_app_css;
} // namespace ringvale::pages

namespace ringvale {

const ConsolePage* consolePage(std::string_view path) {
    static const ConsolePage index{"text/html; charset=utf-8", pages::embedded_index_html};
    static const ConsolePage script{"text/javascript; charset=utf-8", pages::embedded_app_js};
    static const ConsolePage style{"text/css; charset=utf-8", pages::embedded_app_css};
    if (path == "/" || path == "/index.html")
        return &index;
    if (path == "/app.js")
        return &script;
    if (path == "/app.css")
        return &style;
    return nullptr;
}

} // namespace ringvale
