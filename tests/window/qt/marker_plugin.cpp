// A Qt plugin that says when it is loaded: the moment the system loads it,
// it appends its kind to the file named by VX_PLUGIN_MARKER. Built as an icon
// engine for ".ico" files (VX_MARKER_ICON_ENGINE) and as an image format of
// its own, as a mod could carry them, for the tests that check the program
// never loads one from the game folder.
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#ifdef VX_MARKER_ICON_ENGINE
#include <QIconEnginePlugin>

class MarkerPlugin : public QIconEnginePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QIconEngineFactoryInterface_iid FILE "marker_icon_engine.json")

public:
    QIconEngine* create(const QString&) override { return nullptr; }
};
#else
#include <QImageIOPlugin>

class MarkerPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "marker_image_format.json")

public:
    Capabilities capabilities(QIODevice*, const QByteArray&) const override { return {}; }
    QImageIOHandler* create(QIODevice*, const QByteArray&) const override { return nullptr; }
};
#endif

namespace {

const bool marked = [] {
    if (const char* marker = std::getenv("VX_PLUGIN_MARKER")) {
        if (std::FILE* file = std::fopen(marker, "a")) {
            std::fputs(VX_MARKER_KIND "\n", file);
            std::fclose(file);
        }
    }
    return true;
}();

}  // namespace

#include "marker_plugin.moc"
