#include "cli/ComponentEncoders.h"

#include "audio/TFLACOut.h"
#include "audio/TRateConverter.h"
#include "audio/TVorbisOut.h"
#include "audio/TWaveIn.h"
#include "audio/TWaveOut.h"
#include "common/Messages.h"
#include "jobs/core/JobChains.h"
#include "platform/Files.h"
#include "settings/TSettings.h"

namespace {

constexpr std::int32_t OutputEnded = 3000;
constexpr std::int32_t StatusFailed = 10; // ElapsedText holds the component's error

} // namespace

void ComponentEncoder::watch(TACSOutput& out)
{
    // These run on the output's worker thread: they only post.
    out.OnProgress = [this](TACSOutput* sender) {
        tarnwick::postProcessInfo(this, std::max(0, sender->Progress()), QString(), QString(), 0);
    };
    out.OnDone = [this](TACSOutput*) { tarnwick::postProcessInfo(this, OutputEnded, QString(), QString(), 0); };
    out.OnThreadException = [this](TACSOutput*, const std::exception& error) {
        tarnwick::postProcessInfo(this, OutputEnded, QString::fromUtf8(error.what()), QString(), StatusFailed);
    };
}

void ComponentEncoder::start(const QString& input, const QString& outputFile)
{
    m_output = outputFile;
    prepare(input, outputFile);
    try {
        markTouched(); // preparing the output creates the file, even when it then fails
        output().Start();
    } catch (const std::exception& error) {
        finishLater(false, QString::fromUtf8(error.what()));
    }
}

void ComponentEncoder::cancel()
{
    markCancelled();
    output().Stop();
    output().waitForIdle();
}

bool ComponentEncoder::event(QEvent* event)
{
    if (event->type() != WM_PROCESSINFO) {
        return ItemEncoder::event(event);
    }
    const TProcessInfo& record = static_cast<ProcessInfoEvent*>(event)->info();
    if (record.Progress == OutputEnded) {
        if (record.Status == StatusFailed) {
            finishLater(false, record.ElapsedText);
        } else if (Files::size(m_output) <= 0) {
            finishLater(false, QStringLiteral("nothing was written to ") + m_output);
        } else {
            finishLater(true, QString());
        }
    } else if (record.Progress >= 0 && record.Progress <= 100) {
        reportProgress(record.Progress);
    }
    return true;
}

OggItemEncoder::OggItemEncoder(QObject* parent)
    : ComponentEncoder(parent), m_waveIn(std::make_unique<TWaveIn>()), m_vorbisOut(std::make_unique<TVorbisOut>())
{
    JobChains::setUpWaveIn(*m_waveIn);
    JobChains::setUpVorbisOut(*m_waveIn, *m_vorbisOut);
    watch(*m_vorbisOut);
}

OggItemEncoder::~OggItemEncoder()
{
    m_vorbisOut.reset();
}

void OggItemEncoder::prepare(const QString& input, const QString& outputFile)
{
    m_waveIn->SetFileName(input);
    m_vorbisOut->SetFileName(outputFile);
    JobChains::applyOggOptions(*m_vorbisOut, settings());
}

TACSOutput& OggItemEncoder::output()
{
    return *m_vorbisOut;
}

FlacItemEncoder::FlacItemEncoder(QStringList comments, QObject* parent)
    : ComponentEncoder(parent), m_comments(std::move(comments)), m_waveIn(std::make_unique<TWaveIn>()),
      m_flacOut(std::make_unique<TFLACOut>())
{
    JobChains::setUpWaveIn(*m_waveIn);
    JobChains::setUpFlacOut(*m_waveIn, *m_flacOut);
    watch(*m_flacOut);
}

FlacItemEncoder::~FlacItemEncoder()
{
    m_flacOut.reset();
}

void FlacItemEncoder::prepare(const QString& input, const QString& outputFile)
{
    m_waveIn->SetFileName(input);
    m_flacOut->SetFileName(outputFile);
    JobChains::applyFlacOptions(*m_flacOut, settings(), m_comments);
}

TACSOutput& FlacItemEncoder::output()
{
    return *m_flacOut;
}

ResampleEncoder::ResampleEncoder(QObject* parent)
    : ComponentEncoder(parent), m_waveIn(std::make_unique<TWaveIn>()), m_converter(std::make_unique<TRateConverter>()),
      m_waveOut(std::make_unique<TWaveOut>())
{
    JobChains::setUpWaveIn(*m_waveIn);
    JobChains::setUpResampler(*m_waveIn, *m_converter, *m_waveOut);
    watch(*m_waveOut);
}

ResampleEncoder::~ResampleEncoder()
{
    m_waveOut.reset();
}

void ResampleEncoder::prepare(const QString& input, const QString& outputFile)
{
    m_waveIn->SetFileName(input);
    m_waveOut->SetFileName(outputFile);
}

TACSOutput& ResampleEncoder::output()
{
    return *m_waveOut;
}
