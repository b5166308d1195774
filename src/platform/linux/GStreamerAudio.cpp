#include "platform/linux/GStreamerAudio.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <mutex>

namespace vantorel {

namespace {

QString takeError(GstMessage* message) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    QString text = QString::fromUtf8(error ? error->message : "unknown error");
    g_clear_error(&error);
    g_free(debug);
    return text;
}

// The first error waiting on a pipeline's bus, if any.
QString pendingError(GstElement* pipeline) {
    GstBus* bus = gst_element_get_bus(pipeline);
    QString text;
    if (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        text = takeError(m);
        gst_message_unref(m);
    }
    gst_object_unref(bus);
    return text;
}

// A missing element names the Debian package that brings it.
QString packageOf(const char* element) {
    const QString e = QString::fromLatin1(element);
    if (e == QLatin1String("avenc_aac") || e == QLatin1String("avdec_aac"))
        return QStringLiteral("gstreamer1.0-libav");
    if (e == QLatin1String("mp4mux") || e == QLatin1String("pulsesrc") || e == QLatin1String("qtdemux"))
        return QStringLiteral("gstreamer1.0-plugins-good");
    return QStringLiteral("gstreamer1.0-plugins-base");
}

bool hasElement(const char* factory, QString& error) {
    GstElementFactory* f = gst_element_factory_find(factory);
    if (!f) {
        error = QStringLiteral("the GStreamer element %1 is missing (Debian package %2)")
                    .arg(QString::fromLatin1(factory), packageOf(factory));
        return false;
    }
    gst_object_unref(f);
    return true;
}

class GStreamerRecording : public QObject, public AudioRecording {
public:
    explicit GStreamerRecording(GstElement* pipeline) : pipeline_(pipeline) {
        GstBus* bus = gst_element_get_bus(pipeline_);
        gst_bus_set_sync_handler(bus, &GStreamerRecording::onBusMessage, this, nullptr);
        gst_object_unref(bus);
    }
    ~GStreamerRecording() override {
        // Joins the streaming threads, so no message arrives for a deleted object.
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        GstBus* bus = gst_element_get_bus(pipeline_);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(pipeline_);
    }

    // Counts the audio that reaches the encoder.
    void watch(GstPad* pad) {
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad*, GstPadProbeInfo* info, gpointer self) {
                GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
                if (b && GST_BUFFER_DURATION_IS_VALID(b))
                    static_cast<GStreamerRecording*>(self)->recorded_ += GST_BUFFER_DURATION(b);
                return GST_PAD_PROBE_OK;
            },
            this, nullptr);
    }

    // The first error the pipeline reported, if any.
    QString error() {
        std::lock_guard lock(mutex_);
        return error_;
    }

    double currentTime() const override { return double(recorded_.load()) / double(GST_SECOND); }

    void stop(std::function<void(Status)> finished) override {
        finished_ = std::move(finished);
        {
            std::lock_guard lock(mutex_);
            if (ended_) {
                QMetaObject::invokeMethod(
                    this, [this] { end(); }, Qt::QueuedConnection);
                return;
            }
        }
        gst_element_send_event(pipeline_, gst_event_new_eos());
        // The muxer writes its index when end-of-stream reaches it; a source that
        // hangs must not keep the recording from being processed.
        QTimer::singleShot(10000, this, [this] {
            std::lock_guard lock(mutex_);
            if (!ended_)
                error_ = QStringLiteral("the recording did not reach its end within 10 s");
            ended_ = true;
            QMetaObject::invokeMethod(
                this, [this] { end(); }, Qt::QueuedConnection);
        });
    }

private:
    static GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
        auto* self = static_cast<GStreamerRecording*>(data);
        const auto type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
            std::lock_guard lock(self->mutex_);
            if (type == GST_MESSAGE_ERROR && self->error_.isEmpty())
                self->error_ = takeError(message);
            if (!self->ended_) {
                self->ended_ = true;
                QMetaObject::invokeMethod(
                    self, [self] { self->end(); }, Qt::QueuedConnection);
            }
        }
        gst_message_unref(message);
        return GST_BUS_DROP;
    }

    // On the main thread, after end-of-stream or an error.
    void end() {
        if (!finished_ || done_)
            return;
        done_ = true;
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        QString error;
        {
            std::lock_guard lock(mutex_);
            error = error_;
        }
        auto finished = std::move(finished_);
        finished(error.isEmpty() ? Status::success() : Status::failure(error));
    }

    GstElement* pipeline_;
    std::atomic<quint64> recorded_{0};
    std::mutex mutex_;
    bool ended_ = false;
    QString error_;
    bool done_ = false;
    std::function<void(Status)> finished_;
};

} // namespace

Status initializeGStreamer() {
    static std::once_flag once;
    static QString error;
    std::call_once(once, [] {
        GError* e = nullptr;
        if (!gst_init_check(nullptr, nullptr, &e))
            error = QStringLiteral("GStreamer cannot start: %1").arg(QString::fromUtf8(e ? e->message : "?"));
        g_clear_error(&e);
    });
    return error.isEmpty() ? Status::success() : Status::failure(error);
}

GStreamerAudioRecorder::GStreamerAudioRecorder(QString source) : source_(std::move(source)) {}

Result<std::unique_ptr<AudioRecording>> GStreamerAudioRecorder::record(const QString& path,
                                                                       const AudioRecorderSettings& settings) {
    using R = Result<std::unique_ptr<AudioRecording>>;
    if (auto ready = initializeGStreamer(); !ready)
        return R::failure(ready.error());

    QString error;
    for (const char* element : {"audioconvert", "audioresample", "capsfilter", "avenc_aac", "mp4mux", "filesink"})
        if (!hasElement(element, error))
            return R::failure(error);
    // One description, so that a source with pads that appear later (a file
    // through decodebin) links once they do.
    const QByteArray description = source_.toUtf8() +
                                   " ! audioconvert ! audioresample ! capsfilter name=caps ! avenc_aac name=encoder ! "
                                   "mp4mux ! filesink name=sink";
    GError* parseError = nullptr;
    GstElement* pipeline = gst_parse_launch(description.constData(), &parseError);
    if (!pipeline || parseError) {
        const QString why = QString::fromUtf8(parseError ? parseError->message : "?");
        g_clear_error(&parseError);
        if (pipeline)
            gst_object_unref(pipeline);
        return R::failure(QStringLiteral("no microphone source \"%1\": %2").arg(source_, why));
    }
    GstElement* caps = gst_bin_get_by_name(GST_BIN(pipeline), "caps");
    GstElement* encoder = gst_bin_get_by_name(GST_BIN(pipeline), "encoder");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstCaps* raw = gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, settings.sampleRate, "channels", G_TYPE_INT,
                                       settings.channels, nullptr);
    g_object_set(caps, "caps", raw, nullptr);
    gst_caps_unref(raw);
    // "High" quality: 128 kbit/s, transparent for speech at one channel.
    g_object_set(encoder, "bitrate", settings.encoderQuality >= 96 ? 128000 : 64000, nullptr);
    g_object_set(sink, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(encoder);
    gst_object_unref(sink);

    auto recording = std::make_unique<GStreamerRecording>(pipeline);
    GstPad* counted = gst_element_get_static_pad(caps, "src");
    recording->watch(counted);
    gst_object_unref(counted);
    gst_object_unref(caps);
    // A live source answers at once; a failure to open the device shows here.
    auto change = gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (change == GST_STATE_CHANGE_ASYNC)
        change = gst_element_get_state(pipeline, nullptr, nullptr, 3 * GST_SECOND);
    if (change == GST_STATE_CHANGE_FAILURE) {
        const QString why = recording->error();
        recording.reset();
        QFile::remove(path);
        return R::failure(why.isEmpty() ? QStringLiteral("the microphone did not start") : why);
    }
    return R(std::move(recording));
}

Result<std::vector<int16_t>> decodeForSpeech(const QString& path, const std::atomic<bool>& cancelled) {
    using R = Result<std::vector<int16_t>>;
    if (auto ready = initializeGStreamer(); !ready)
        return R::failure(ready.error());
    if (!QFileInfo(path).isFile())
        return R::failure(QStringLiteral("no audio file at %1").arg(path));

    QString error;
    for (const char* element : {"filesrc", "decodebin", "audioconvert", "audioresample", "appsink"})
        if (!hasElement(element, error))
            return R::failure(error);
    GError* parseError = nullptr;
    GstElement* pipeline =
        gst_parse_launch("filesrc name=source ! decodebin ! audioconvert ! audioresample ! "
                         "audio/x-raw,format=S16LE,rate=16000,channels=1 ! appsink name=speech sync=false",
                         &parseError);
    g_clear_error(&parseError);
    if (!pipeline)
        return R::failure(QStringLiteral("the audio decoder cannot be built"));
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
    g_object_set(source, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(source);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "speech");

    std::vector<int16_t> samples;
    QString why;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (!cancelled.load()) {
        // An error upstream (a file that is no audio) never reaches the sink as an end: watch the bus too.
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 100 * GST_MSECOND);
        if (!sample) {
            why = pendingError(pipeline);
            if (!why.isEmpty() || gst_app_sink_is_eos(GST_APP_SINK(sink)))
                break;
            continue;
        }
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const auto* data = reinterpret_cast<const int16_t*>(map.data);
            samples.insert(samples.end(), data, data + map.size / sizeof(int16_t));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    if (cancelled.load())
        return R::failure(QStringLiteral("cancelled"));
    if (!why.isEmpty())
        return R::failure(QStringLiteral("%1 cannot be decoded: %2").arg(QFileInfo(path).fileName(), why));
    return samples;
}

} // namespace vantorel
