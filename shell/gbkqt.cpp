#include "shell/gbkqt.h"

#include "core/codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace ringvale {

// Qt's own GB18030 codec where the Qt build has one; else the engine's iconv conversion.
// The codecs are kept per thread and reset before each use, since opening one costs more than
// converting a table cell.
QString qtFromGbk(std::string_view gbk) {
    static thread_local QStringDecoder decoder("GB18030");
    decoder.resetState();
    if (decoder.isValid())
        return decoder.decode(QByteArrayView(gbk.data(), static_cast<qsizetype>(gbk.size())));
    const std::string utf8 = utf8FromGbk(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string gbkFromQt(const QString& text) {
    static thread_local QStringEncoder encoder("GB18030");
    encoder.resetState();
    if (encoder.isValid()) {
        const QByteArray bytes = encoder.encode(text);
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return gbkFromUtf8(text.toStdString());
}

} // namespace ringvale
