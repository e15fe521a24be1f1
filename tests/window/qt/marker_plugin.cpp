// A Qt plugin, as a mod could carry one, that appends its kind to the file
// named by VX_PLUGIN_MARKER the moment it is loaded: an icon engine for
// ".ico" files (VX_MARKER_ICON_ENGINE), or else an image format of its own.
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

static const bool marked = [] {
    std::FILE* file =
        std::getenv("VX_PLUGIN_MARKER") ? std::fopen(std::getenv("VX_PLUGIN_MARKER"), "a") : nullptr;
    return file && std::fputs(VX_MARKER_KIND "\n", file) >= 0 && std::fclose(file) == 0;
}();

#include "marker_plugin.moc"
