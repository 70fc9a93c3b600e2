#include "wmaenc/WmaEncoder.h"

#include <algorithm>
#include <cstdio>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

std::string errorText(int code)
{
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return buffer;
}

struct InputCloser
{
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputCloser
{
    void operator()(AVFormatContext* context) const
    {
        if (context->pb != nullptr) {
            avio_closep(&context->pb);
        }
        avformat_free_context(context);
    }
};
struct CodecCloser
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct ResamplerCloser
{
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct FifoCloser
{
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
struct FrameCloser
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketCloser
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerCloser>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketCloser>;

// One encoding run; every step sets m_error and returns false on failure.
class Job
{
public:
    Job(const WmaOptions& options, int bitRate, const WmaEncoder::ProgressFunction& progress)
        : m_options(options), m_bitRate(bitRate), m_progress(progress)
    {
    }

    bool run()
    {
        if (!openInput() || !openEncoder() || !openResampler()) {
            return false;
        }
        // The output is touched only once the input and the codec are known to work, so a
        // bad input never costs an existing file.
        m_outputOpened = true;
        if (!openOutput() || !transcode() || !finish()) {
            return false;
        }
        return true;
    }

    bool outputOpened() const { return m_outputOpened; }
    const std::string& error() const { return m_error; }

private:
    bool fail(const std::string& text)
    {
        m_error = text;
        return false;
    }

    bool openInput()
    {
        AVFormatContext* input = nullptr;
        int result = avformat_open_input(&input, m_options.input.c_str(), nullptr, nullptr);
        if (result < 0) {
            return fail("cannot open the input file \"" + m_options.input + "\": " + errorText(result));
        }
        m_input.reset(input);
        result = avformat_find_stream_info(input, nullptr);
        if (result < 0) {
            return fail("cannot read the input file \"" + m_options.input + "\": " + errorText(result));
        }
        const AVCodec* decoder = nullptr;
        m_streamIndex = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (m_streamIndex < 0 || decoder == nullptr) {
            return fail("the input file \"" + m_options.input + "\" holds no audio that can be decoded");
        }
        const AVStream* stream = input->streams[m_streamIndex];
        m_decoder.reset(avcodec_alloc_context3(decoder));
        if (!m_decoder) {
            return fail("out of memory");
        }
        result = avcodec_parameters_to_context(m_decoder.get(), stream->codecpar);
        if (result >= 0) {
            result = avcodec_open2(m_decoder.get(), decoder, nullptr);
        }
        if (result < 0) {
            return fail("cannot decode the input file \"" + m_options.input + "\": " + errorText(result));
        }
        if (m_decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            const int channels = m_decoder->ch_layout.nb_channels;
            av_channel_layout_uninit(&m_decoder->ch_layout);
            av_channel_layout_default(&m_decoder->ch_layout, channels);
        }
        if (m_decoder->sample_rate <= 0 || m_decoder->ch_layout.nb_channels <= 0) {
            return fail("the input file \"" + m_options.input + "\" has no valid audio format");
        }
        if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
            m_totalSamples = av_rescale_q(stream->duration, stream->time_base, AVRational{1, m_decoder->sample_rate});
        } else if (input->duration != AV_NOPTS_VALUE && input->duration > 0) {
            m_totalSamples = av_rescale(input->duration, m_decoder->sample_rate, AV_TIME_BASE);
        }
        return true;
    }

    bool openEncoder()
    {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (codec == nullptr) {
            return fail("the WMA version 2 encoder is not available in this libavcodec");
        }
        m_encoder.reset(avcodec_alloc_context3(codec));
        if (!m_encoder) {
            return fail("out of memory");
        }
        m_encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_encoder->sample_rate = m_options.sampleRate;
        av_channel_layout_default(&m_encoder->ch_layout, m_options.channels);
        m_encoder->bit_rate = m_bitRate;
        m_encoder->time_base = AVRational{1, m_options.sampleRate};
        // ASF wants the codec's extra data in its header.
        m_encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        const int result = avcodec_open2(m_encoder.get(), codec, nullptr);
        if (result < 0) {
            return fail("the encoder refuses the setting " + m_options.profile + ": " + errorText(result));
        }
        m_fifo.reset(av_audio_fifo_alloc(m_encoder->sample_fmt, m_options.channels, m_encoder->frame_size * 2));
        m_frame.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        m_decoded.reset(av_frame_alloc());
        if (!m_fifo || !m_frame || !m_packet || !m_decoded) {
            return fail("out of memory");
        }
        return true;
    }

    bool openResampler()
    {
        SwrContext* resampler = nullptr;
        int result =
            swr_alloc_set_opts2(&resampler, &m_encoder->ch_layout, m_encoder->sample_fmt, m_encoder->sample_rate,
                                &m_decoder->ch_layout, m_decoder->sample_fmt, m_decoder->sample_rate, 0, nullptr);
        m_resampler.reset(resampler);
        if (result >= 0) {
            result = swr_init(resampler);
        }
        if (result < 0) {
            return fail("cannot convert the input's audio format: " + errorText(result));
        }
        return true;
    }

    bool openOutput()
    {
        AVFormatContext* output = nullptr;
        int result = avformat_alloc_output_context2(&output, nullptr, "asf", m_options.output.c_str());
        if (result < 0 || output == nullptr) {
            return fail("cannot prepare the output file: " + errorText(result));
        }
        m_output.reset(output);
        m_stream = avformat_new_stream(output, nullptr);
        if (m_stream == nullptr) {
            return fail("out of memory");
        }
        result = avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get());
        if (result < 0) {
            return fail("cannot prepare the output stream: " + errorText(result));
        }
        m_stream->time_base = m_encoder->time_base;
        if (!m_options.author.empty()) {
            av_dict_set(&output->metadata, "author", m_options.author.c_str(), 0);
        }
        if (!m_options.description.empty()) {
            av_dict_set(&output->metadata, "comment", m_options.description.c_str(), 0);
        }
        result = avio_open(&output->pb, m_options.output.c_str(), AVIO_FLAG_WRITE);
        if (result < 0) {
            return fail("cannot create the output file \"" + m_options.output + "\": " + errorText(result));
        }
        result = avformat_write_header(output, nullptr);
        if (result < 0) {
            return fail("cannot write the output file \"" + m_options.output + "\": " + errorText(result));
        }
        return true;
    }

    bool transcode()
    {
        PacketPtr packet(av_packet_alloc());
        if (!packet) {
            return fail("out of memory");
        }
        for (;;) {
            const int result = av_read_frame(m_input.get(), packet.get());
            if (result == AVERROR_EOF) {
                break;
            }
            if (result < 0) {
                return fail("cannot read the input file \"" + m_options.input + "\": " + errorText(result));
            }
            const bool ours = packet->stream_index == m_streamIndex;
            const int sent = ours ? avcodec_send_packet(m_decoder.get(), packet.get()) : 0;
            av_packet_unref(packet.get());
            if (sent < 0) {
                return fail("the input file \"" + m_options.input + "\" is damaged: " + errorText(sent));
            }
            if (ours && !drainDecoder()) {
                return false;
            }
        }
        avcodec_send_packet(m_decoder.get(), nullptr);
        if (!drainDecoder() || !convert(nullptr, 0) || !encodeFifo(true)) {
            return false;
        }
        return encodeFrame(nullptr);
    }

    bool drainDecoder()
    {
        for (;;) {
            const int result = avcodec_receive_frame(m_decoder.get(), m_decoded.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
                return true;
            }
            if (result < 0) {
                return fail("the input file \"" + m_options.input + "\" is damaged: " + errorText(result));
            }
            m_samplesRead += m_decoded->nb_samples;
            const bool ok = convert(const_cast<const uint8_t**>(m_decoded->extended_data), m_decoded->nb_samples) &&
                            encodeFifo(false);
            av_frame_unref(m_decoded.get());
            if (!ok) {
                return false;
            }
            reportProgress();
        }
    }

    // Resamples into the FIFO; a null input flushes what the resampler holds back.
    bool convert(const uint8_t** data, int samples)
    {
        for (;;) {
            const int room = swr_get_out_samples(m_resampler.get(), samples);
            if (room <= 0) {
                return true;
            }
            if (room > m_bufferSamples) {
                if (m_buffer != nullptr) {
                    av_freep(&m_buffer[0]);
                    av_freep(&m_buffer);
                }
                if (av_samples_alloc_array_and_samples(&m_buffer, nullptr, m_options.channels, room,
                                                       m_encoder->sample_fmt, 0) < 0) {
                    m_bufferSamples = 0;
                    return fail("out of memory");
                }
                m_bufferSamples = room;
            }
            const int converted = swr_convert(m_resampler.get(), m_buffer, room, data, samples);
            if (converted < 0) {
                return fail("cannot convert the audio: " + errorText(converted));
            }
            if (converted > 0 &&
                av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(m_buffer), converted) < converted) {
                return fail("out of memory");
            }
            // Input is consumed in one call; only a flush needs repeating until nothing comes.
            if (data != nullptr || converted == 0) {
                return true;
            }
        }
    }

    // Feeds whole codec frames; at the end the short remainder is padded with silence.
    bool encodeFifo(bool last)
    {
        const int frameSize = m_encoder->frame_size;
        while (av_audio_fifo_size(m_fifo.get()) >= frameSize || (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
            av_frame_unref(m_frame.get());
            m_frame->nb_samples = frameSize;
            m_frame->format = m_encoder->sample_fmt;
            m_frame->sample_rate = m_encoder->sample_rate;
            av_channel_layout_copy(&m_frame->ch_layout, &m_encoder->ch_layout);
            if (av_frame_get_buffer(m_frame.get(), 0) < 0) {
                return fail("out of memory");
            }
            const int got = av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_frame->data), frameSize);
            if (got < frameSize) {
                av_samples_set_silence(m_frame->data, got, frameSize - got, m_options.channels, m_encoder->sample_fmt);
            }
            m_frame->pts = m_samplesWritten;
            m_samplesWritten += frameSize;
            if (!encodeFrame(m_frame.get())) {
                return false;
            }
        }
        return true;
    }

    bool encodeFrame(const AVFrame* frame)
    {
        int result = avcodec_send_frame(m_encoder.get(), frame);
        if (result < 0) {
            return fail("the encoder failed: " + errorText(result));
        }
        for (;;) {
            result = avcodec_receive_packet(m_encoder.get(), m_packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
                return true;
            }
            if (result < 0) {
                return fail("the encoder failed: " + errorText(result));
            }
            av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_stream->time_base);
            m_packet->stream_index = m_stream->index;
            result = av_interleaved_write_frame(m_output.get(), m_packet.get());
            if (result < 0) {
                return fail("cannot write the output file \"" + m_options.output + "\": " + errorText(result));
            }
        }
    }

    bool finish()
    {
        int result = av_write_trailer(m_output.get());
        if (result >= 0) {
            result = avio_closep(&m_output->pb);
        }
        if (result < 0) {
            return fail("cannot finish the output file \"" + m_options.output + "\": " + errorText(result));
        }
        return true;
    }

    void reportProgress()
    {
        if (m_totalSamples <= 0 || !m_progress) {
            return;
        }
        const int percent = static_cast<int>(std::min<int64_t>(99, m_samplesRead * 100 / m_totalSamples));
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            m_progress(percent);
        }
    }

public:
    ~Job()
    {
        if (m_buffer != nullptr) {
            av_freep(&m_buffer[0]);
            av_freep(&m_buffer);
        }
    }

private:
    const WmaOptions& m_options;
    int m_bitRate;
    const WmaEncoder::ProgressFunction& m_progress;
    std::string m_error;
    bool m_outputOpened = false;

    InputPtr m_input;
    int m_streamIndex = -1;
    CodecPtr m_decoder;
    CodecPtr m_encoder;
    ResamplerPtr m_resampler;
    FifoPtr m_fifo;
    FramePtr m_frame;
    FramePtr m_decoded;
    PacketPtr m_packet;
    OutputPtr m_output;
    AVStream* m_stream = nullptr;
    uint8_t** m_buffer = nullptr;
    int m_bufferSamples = 0;
    int64_t m_totalSamples = 0;
    int64_t m_samplesRead = 0;
    int64_t m_samplesWritten = 0;
    int m_lastPercent = -1;
};

} // namespace

WmaEncoder::WmaEncoder(WmaOptions options) : m_options(std::move(options)) {}

int WmaEncoder::effectiveBitRate() const
{
    return std::max(m_options.kbps, MinimumKbps) * 1000;
}

bool WmaEncoder::run(const ProgressFunction& progress)
{
    av_log_set_level(AV_LOG_ERROR);
    bool opened = false;
    {
        Job job(m_options, effectiveBitRate(), progress);
        if (job.run()) {
            return true;
        }
        m_error = job.error();
        opened = job.outputOpened();
    } // closes the output before it is removed
    if (opened) {
        std::remove(m_options.output.c_str());
    }
    return false;
}
