#pragma once

#include "cli/ItemEncoder.h"

#include <QStringList>
#include <memory>

class TACSOutput;
class TFLACOut;
class TRateConverter;
class TVorbisOut;
class TWaveIn;
class TWaveOut;

// The work of a stream component chain as one item step. The chain's events come from
// the output's worker thread; they are posted here and handled on this object's thread.
class ComponentEncoder : public ItemEncoder
{
    Q_OBJECT

public:
    using ItemEncoder::ItemEncoder;

    void start(const QString& input, const QString& output) override;
    void cancel() override;

protected:
    bool event(QEvent* event) override;
    // Points the chain at the files and applies its options.
    virtual void prepare(const QString& input, const QString& output) = 0;
    virtual TACSOutput& output() = 0;
    // Connects the output's events to this object; call once the output exists.
    void watch(TACSOutput& output);

private:
    QString m_output;
};

// WAV to Ogg Vorbis: WaveIn -> VorbisOut with the Ogg settings, as the job window runs it.
class OggItemEncoder : public ComponentEncoder
{
    Q_OBJECT

public:
    explicit OggItemEncoder(QObject* parent = nullptr);
    ~OggItemEncoder() override;
    QString step() const override { return QStringLiteral("encoding"); }

protected:
    void prepare(const QString& input, const QString& output) override;
    TACSOutput& output() override;

private:
    // The output goes first on destruction: it joins its worker, which reads the input.
    std::unique_ptr<TWaveIn> m_waveIn;
    std::unique_ptr<TVorbisOut> m_vorbisOut;
};

// WAV to FLAC: WaveIn -> FLACOut with the FLAC settings and the given comments, as the
// job window runs it.
class FlacItemEncoder : public ComponentEncoder
{
    Q_OBJECT

public:
    explicit FlacItemEncoder(QStringList comments, QObject* parent = nullptr);
    ~FlacItemEncoder() override;
    QString step() const override { return QStringLiteral("encoding"); }

protected:
    void prepare(const QString& input, const QString& output) override;
    TACSOutput& output() override;

private:
    QStringList m_comments;
    std::unique_ptr<TWaveIn> m_waveIn;
    std::unique_ptr<TFLACOut> m_flacOut;
};

// A WAV file below 44,100 Hz resampled to 44,100 Hz: WaveIn -> RateConverter -> WaveOut.
class ResampleEncoder : public ComponentEncoder
{
    Q_OBJECT

public:
    explicit ResampleEncoder(QObject* parent = nullptr);
    ~ResampleEncoder() override;
    QString step() const override { return QStringLiteral("resampling"); }

protected:
    void prepare(const QString& input, const QString& output) override;
    TACSOutput& output() override;

private:
    std::unique_ptr<TWaveIn> m_waveIn;
    std::unique_ptr<TRateConverter> m_converter;
    std::unique_ptr<TWaveOut> m_waveOut;
};
