// The video-file calls over libavformat (its AVI reader, forced), libavcodec and libswscale. A file is
// checked chunk by chunk (AviRiff.cpp) before libavformat reads it through our own I/O callbacks, so no
// file name ever reaches the library's protocols. A stream's frames are read out of the file once, into
// memory no larger than the file's data, and a frame getter decodes them in order, restarting from the key
// frame at or before a frame asked for out of order.
#include "platform/win/media/Vfw.h"

#include "platform/win/media/AviRiff.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/avutil.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace win {

int64_t AviMaxFramePixels = int64_t(AviMaxDimension) * AviMaxDimension;
const char* const AviScalerFlagsText = "bicubic+accurate_rnd+full_chroma_int";

namespace {

constexpr int AviScalerFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;
constexpr int AviIoBufferSize = 64 * 1024;

std::atomic<int> AviInitCount{0};

void AviQuietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// ---- The container ---------------------------------------------------------------------------------

struct AviPacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using AviPacketPtr = std::unique_ptr<AVPacket, AviPacketDeleter>;

// One frame's data as the file holds it.
struct AviFramePacket {
    AviPacketPtr Packet;
    int64_t Position = 0; // the frame's position in the stream
    bool Key = false;
    int32_t PaletteFrom = -1; // the latest packet at or before this one that carries a palette
};

struct AviContainer {
    int Fd = -1;
    int64_t Size = 0;
    int64_t IoPosition = 0;
    avi::AviHeaders Headers;
    AVFormatContext* Format = nullptr;
    AVIOContext* Io = nullptr;

    std::mutex Lock; // the demuxing below
    bool Demuxed = false;
    HRESULT DemuxResult = AVIERR_OK;
    std::map<int, std::vector<AviFramePacket>> Frames; // by the library's stream index

    ~AviContainer() {
        if (Format)
            avformat_close_input(&Format);
        if (Io) {
            av_freep(&Io->buffer);
            avio_context_free(&Io);
        }
        if (Fd >= 0)
            ::close(Fd);
    }

    bool ReadAt(int64_t offset, void* buffer, size_t size) const {
        if (offset < 0 || size > size_t(Size) || offset > Size - int64_t(size))
            return false;
        auto* out = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            ssize_t got = ::pread(Fd, out, size, off_t(offset));
            if (got <= 0)
                return false;
            out += got;
            offset += got;
            size -= size_t(got);
        }
        return true;
    }

    static int IoRead(void* opaque, uint8_t* buffer, int size) {
        auto* self = static_cast<AviContainer*>(opaque);
        int64_t left = self->Size - self->IoPosition;
        if (left <= 0 || size <= 0)
            return AVERROR_EOF;
        size_t count = size_t(std::min<int64_t>(left, size));
        if (!self->ReadAt(self->IoPosition, buffer, count))
            return AVERROR(EIO);
        self->IoPosition += int64_t(count);
        return int(count);
    }

    static int64_t IoSeek(void* opaque, int64_t offset, int whence) {
        auto* self = static_cast<AviContainer*>(opaque);
        whence &= ~AVSEEK_FORCE;
        if (whence == AVSEEK_SIZE)
            return self->Size;
        if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
            return AVERROR(EINVAL);
        int64_t base = whence == SEEK_CUR ? self->IoPosition : whence == SEEK_END ? self->Size : 0;
        if (offset > INT64_MAX - base || base + offset < 0)
            return AVERROR(EINVAL);
        self->IoPosition = base + offset;
        return self->IoPosition;
    }

    HRESULT Open(const char* fileName) {
        Fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
        struct stat info;
        if (Fd < 0 || ::fstat(Fd, &info) != 0 || !S_ISREG(info.st_mode))
            return AVIERR_FILEOPEN;
        Size = info.st_size;
        HRESULT result = avi::ReadAviHeaders(
            [this](int64_t offset, void* buffer, size_t size) { return ReadAt(offset, buffer, size); }, Size,
            Headers);
        if (result != AVIERR_OK)
            return result;

        AviQuietLibraries();
        auto* buffer = static_cast<uint8_t*>(av_malloc(AviIoBufferSize));
        if (!buffer)
            return AVIERR_MEMORY;
        Io = avio_alloc_context(buffer, AviIoBufferSize, 0, this, &AviContainer::IoRead, nullptr,
                                &AviContainer::IoSeek);
        if (!Io) {
            av_free(buffer);
            return AVIERR_MEMORY;
        }
        Format = avformat_alloc_context();
        if (!Format)
            return AVIERR_MEMORY;
        Format->pb = Io;
        // The AVI reader alone, also for what it opens inside the file (subtitle streams).
        Format->format_whitelist = av_strdup("avi");
        const AVInputFormat* avi = av_find_input_format("avi");
        if (!avi || avformat_open_input(&Format, nullptr, avi, nullptr) < 0) {
            Format = nullptr; // freed by the failed open
            return AVIERR_BADFORMAT;
        }
        // The reader makes one stream of every "strl" list, in their order.
        if (Format->nb_streams != Headers.Streams.size())
            return AVIERR_BADFORMAT;
        return AVIERR_OK;
    }

    // Reads every packet of the file once, keeping those of the video streams.
    HRESULT Demux() {
        std::lock_guard lock(Lock);
        if (Demuxed)
            return DemuxResult;
        Demuxed = true;
        DemuxResult = ReadPackets();
        if (DemuxResult != AVIERR_OK)
            Frames.clear();
        return DemuxResult;
    }

    HRESULT ReadPackets() {
        // Each packet comes from a chunk of 8 bytes at least: a reader that went on longer would be lost.
        int64_t maxPackets = Size / 8 + 16;
        std::map<int, int64_t> nextPosition;
        for (int64_t count = 0;; ++count) {
            if (count > maxPackets)
                return AVIERR_FILEREAD;
            AviPacketPtr packet(av_packet_alloc());
            if (!packet)
                return AVIERR_MEMORY;
            int result = av_read_frame(Format, packet.get());
            if (result == AVERROR_EOF)
                return AVIERR_OK;
            if (result < 0)
                return AVIERR_FILEREAD;
            int index = packet->stream_index;
            if (index < 0 || unsigned(index) >= Format->nb_streams ||
                Format->streams[index]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
                continue;
            auto& frames = Frames[index];
            int64_t& next = nextPosition.try_emplace(index, 0).first->second;
            int64_t position = packet->pts != AV_NOPTS_VALUE ? packet->pts
                               : packet->dts != AV_NOPTS_VALUE ? packet->dts
                                                               : next;
            if (position < next)
                position = next; // positions only grow
            next = position + 1;
            // An empty chunk repeats the frame before it.
            if (packet->size <= 0)
                continue;
            packet->pts = packet->dts = position;
            AviFramePacket frame;
            frame.Position = position;
            frame.Key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
            frame.PaletteFrom = frames.empty() ? -1 : frames.back().PaletteFrom;
            if (av_packet_get_side_data(packet.get(), AV_PKT_DATA_PALETTE, nullptr))
                frame.PaletteFrom = int32_t(frames.size());
            frame.Packet = std::move(packet);
            frames.push_back(std::move(frame));
        }
    }
};

// ---- The handles -----------------------------------------------------------------------------------

struct AviFileObject {
    std::shared_ptr<AviContainer> Container;
};

struct AviStreamObject {
    std::shared_ptr<AviContainer> Container;
    int Index = 0; // the library's stream index, which is also the "strl" list's
    AVISTREAMINFOA Info{};
    int32_t Width = 0;
    int32_t Height = 0;
};

struct AviCodecDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct AviFrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AviScalerDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

struct AviGetFrameObject {
    std::shared_ptr<AviStreamObject> Stream;
    const std::vector<AviFramePacket>* Frames = nullptr;
    std::unique_ptr<AVCodecContext, AviCodecDeleter> Codec;
    std::unique_ptr<AVFrame, AviFrameDeleter> Frame;
    std::unique_ptr<SwsContext, AviScalerDeleter> Scaler;
    bool Force24 = false;
    // Decoder state: the next packet to send, frames received since the restart, whether the end was sent.
    size_t NextPacket = 0;
    size_t RestartPacket = 0;
    int64_t Received = 0;
    bool Started = false;
    bool Drained = false;
    int64_t LastPosition = INT64_MIN; // of the frame received last
    int64_t CachedPosition = INT64_MIN; // of the frame the DIB below holds
    std::vector<uint8_t> Dib;
};

template <typename T> struct AviHandleTable {
    std::mutex Lock;
    std::map<const void*, std::shared_ptr<T>> Open;

    void* Add(std::shared_ptr<T> object) {
        std::lock_guard lock(Lock);
        void* key = object.get();
        Open.emplace(key, std::move(object));
        return key;
    }
    std::shared_ptr<T> Find(const void* key) {
        std::lock_guard lock(Lock);
        auto it = Open.find(key);
        return it == Open.end() ? nullptr : it->second;
    }
    bool Remove(const void* key) {
        std::shared_ptr<T> object; // freed outside the lock
        std::lock_guard lock(Lock);
        auto it = Open.find(key);
        if (it == Open.end())
            return false;
        object = std::move(it->second);
        Open.erase(it);
        return true;
    }
};

AviHandleTable<AviFileObject>& AviFiles() {
    static AviHandleTable<AviFileObject> table;
    return table;
}
AviHandleTable<AviStreamObject>& AviStreams() {
    static AviHandleTable<AviStreamObject> table;
    return table;
}
AviHandleTable<AviGetFrameObject>& AviGetters() {
    static AviHandleTable<AviGetFrameObject> table;
    return table;
}

// ---- Decoding --------------------------------------------------------------------------------------

// Sends packet index of the getter's list; a packet decoded after a restart gets the palette in force
// at its place when it carries none itself.
int AviSendPacket(AviGetFrameObject& getter, size_t index) {
    const auto& frames = *getter.Frames;
    const AviFramePacket& frame = frames[index];
    bool needsPalette = index == getter.RestartPacket && frame.PaletteFrom >= 0 &&
                        size_t(frame.PaletteFrom) != index;
    if (!needsPalette)
        return avcodec_send_packet(getter.Codec.get(), frame.Packet.get());
    size_t paletteSize = 0;
    const uint8_t* palette = av_packet_get_side_data(frames[size_t(frame.PaletteFrom)].Packet.get(),
                                                     AV_PKT_DATA_PALETTE, &paletteSize);
    AviPacketPtr copy(av_packet_clone(frame.Packet.get()));
    if (!copy)
        return AVERROR(ENOMEM);
    uint8_t* data = av_packet_new_side_data(copy.get(), AV_PKT_DATA_PALETTE, paletteSize);
    if (!data)
        return AVERROR(ENOMEM);
    std::memcpy(data, palette, paletteSize);
    return avcodec_send_packet(getter.Codec.get(), copy.get());
}

void AviRestart(AviGetFrameObject& getter, size_t target) {
    const auto& frames = *getter.Frames;
    size_t key = target;
    while (key > 0 && !frames[key].Key)
        --key;
    if (getter.Started)
        avcodec_flush_buffers(getter.Codec.get());
    getter.Started = true;
    getter.NextPacket = key;
    getter.RestartPacket = key;
    getter.Received = 0;
    getter.Drained = false;
    getter.LastPosition = INT64_MIN;
}

bool AviBuildDib(AviGetFrameObject& getter, const AVFrame* frame) {
    int32_t width = getter.Stream->Width;
    int32_t height = getter.Stream->Height;
    if (frame->width != width || frame->height != height || frame->format < 0)
        return false;
    bool paletted = frame->format == AV_PIX_FMT_PAL8 && !getter.Force24;
    int32_t bits = paletted ? 8 : 24;
    int64_t stride = avi::DibStride(width, bits);
    size_t colours = paletted ? 256 : 0;
    size_t header = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    size_t imageSize = size_t(stride) * size_t(height);
    getter.Dib.assign(header + imageSize, 0);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = WORD(bits);
    info.biSizeImage = DWORD(imageSize);
    info.biClrUsed = DWORD(colours);
    std::memcpy(getter.Dib.data(), &info, sizeof info);
    uint8_t* bitsStart = getter.Dib.data() + header;
    if (paletted) {
        auto* table = reinterpret_cast<RGBQUAD*>(getter.Dib.data() + sizeof info);
        for (size_t i = 0; i < colours; ++i) {
            uint32_t argb;
            std::memcpy(&argb, frame->data[1] + 4 * i, 4);
            table[i] = RGBQUAD{uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16), 0};
        }
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(bitsStart + size_t(height - 1 - y) * size_t(stride),
                        frame->data[0] + ptrdiff_t(y) * frame->linesize[0], size_t(width));
        return true;
    }
    getter.Scaler.reset(sws_getCachedContext(getter.Scaler.release(), width, height,
                                             AVPixelFormat(frame->format), width, height, AV_PIX_FMT_BGR24,
                                             AviScalerFlags, nullptr, nullptr, nullptr));
    if (!getter.Scaler)
        return false;
    // The last row first: the DIB is bottom-up.
    uint8_t* destination[4] = {bitsStart + size_t(height - 1) * size_t(stride), nullptr, nullptr, nullptr};
    int destinationStride[4] = {-int(stride), 0, 0, 0};
    return sws_scale(getter.Scaler.get(), frame->data, frame->linesize, 0, height, destination,
                     destinationStride) == height;
}

LPVOID AviDecodeFrame(AviGetFrameObject& getter, LONG position) {
    const auto& frames = *getter.Frames;
    const AVISTREAMINFOA& info = getter.Stream->Info;
    if (int64_t(position) < int64_t(info.dwStart) || int64_t(position) >= int64_t(info.dwStart) + info.dwLength)
        return nullptr;
    // The frame shown at position: the last one at or before it.
    auto after = std::upper_bound(frames.begin(), frames.end(), int64_t(position),
                                  [](int64_t p, const AviFramePacket& f) { return p < f.Position; });
    if (after == frames.begin())
        return nullptr;
    size_t target = size_t(after - frames.begin()) - 1;
    int64_t wanted = frames[target].Position;
    if (getter.CachedPosition == wanted)
        return getter.Dib.data();

    // Decode forward from where the decoder stands, or from the key frame before the target when the
    // target lies behind it or a key frame lies between.
    bool restart = !getter.Started || getter.Drained || wanted <= getter.LastPosition;
    for (size_t i = getter.NextPacket; !restart && i <= target; ++i)
        restart = frames[i].Key && i > getter.NextPacket;
    if (restart)
        AviRestart(getter, target);

    // A failure leaves the decoder to be flushed and restarted by the next call.
    auto fail = [&getter]() -> LPVOID {
        getter.Drained = true;
        getter.CachedPosition = INT64_MIN;
        return nullptr;
    };
    // Every pass sends a packet or receives a frame: twice the packets, and the drain, bound the loop.
    size_t limit = 2 * frames.size() + 8;
    for (size_t pass = 0; pass < limit; ++pass) {
        int result = avcodec_receive_frame(getter.Codec.get(), getter.Frame.get());
        if (result == 0) {
            // Frames come in order: the decoder's own stamp, or the count since the restart.
            int64_t stamp = getter.Frame->pts != AV_NOPTS_VALUE ? getter.Frame->pts
                            : getter.RestartPacket + size_t(getter.Received) < frames.size()
                                ? frames[getter.RestartPacket + size_t(getter.Received)].Position
                                : INT64_MAX;
            ++getter.Received;
            getter.LastPosition = stamp;
            if (stamp == wanted) {
                bool built = AviBuildDib(getter, getter.Frame.get());
                av_frame_unref(getter.Frame.get());
                if (!built)
                    return fail();
                getter.CachedPosition = wanted;
                return getter.Dib.data();
            }
            av_frame_unref(getter.Frame.get());
            if (stamp > wanted)
                return fail();
            continue;
        }
        if (result != AVERROR(EAGAIN))
            return fail();
        if (getter.NextPacket < frames.size()) {
            result = AviSendPacket(getter, getter.NextPacket++);
            if (result < 0 && result != AVERROR(EAGAIN))
                return fail();
        } else if (!getter.Drained) {
            getter.Drained = true;
            if (avcodec_send_packet(getter.Codec.get(), nullptr) < 0)
                return fail();
        } else {
            return fail();
        }
    }
    return fail();
}

} // namespace

// ---- The calls -------------------------------------------------------------------------------------

void AVIFileInit() {
    ++AviInitCount;
}

void AVIFileExit() {
    int count = AviInitCount.load();
    while (count > 0 && !AviInitCount.compare_exchange_weak(count, count - 1)) {
    }
}

HRESULT AVIFileOpen(PAVIFILE* file, const char* fileName, UINT mode, const CLSID* handler) {
    if (!file)
        return AVIERR_BADPARAM;
    *file = nullptr;
    if (!fileName)
        return AVIERR_BADPARAM;
    if (mode & (OF_WRITE | OF_READWRITE | OF_CREATE))
        return AVIERR_READONLY;
    auto container = std::make_shared<AviContainer>();
    HRESULT result = container->Open(fileName);
    if (result != AVIERR_OK)
        return result;
    auto object = std::make_shared<AviFileObject>();
    object->Container = std::move(container);
    *file = static_cast<PAVIFILE>(AviFiles().Add(std::move(object)));
    return AVIERR_OK;
}

HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD type, LONG index) {
    if (stream)
        *stream = nullptr;
    auto object = AviFiles().Find(file);
    if (!object)
        return AVIERR_BADHANDLE;
    if (!stream)
        return AVIERR_BADPARAM;
    if ((type != 0 && type != streamtypeVIDEO) || index < 0)
        return AVIERR_NODATA;
    const auto& container = object->Container;
    const auto& headers = container->Headers.Streams;
    LONG seen = 0;
    for (size_t i = 0; i < headers.size(); ++i) {
        const avi::AviStreamHeader& header = headers[i];
        if (header.Type != streamtypeVIDEO || seen++ != index)
            continue;
        HRESULT result = avi::CheckVideoStream(header, container->Size);
        if (result != AVIERR_OK)
            return result;
        AVStream* av = container->Format->streams[i];
        if (av->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || av->time_base.num <= 0 || av->time_base.den <= 0)
            return AVIERR_BADFORMAT;
        int64_t frames = av->nb_frames > 0 ? av->nb_frames : header.Length;
        if (frames * 8 > container->Size || int64_t(header.Start) + frames > INT32_MAX)
            return AVIERR_BADFORMAT;
        BITMAPINFOHEADER format;
        std::memcpy(&format, header.Format.data(), sizeof format);

        auto made = std::make_shared<AviStreamObject>();
        made->Container = container;
        made->Index = int(i);
        made->Width = format.biWidth;
        made->Height = int32_t(std::llabs(int64_t(format.biHeight)));
        AVISTREAMINFOA& info = made->Info;
        info.fccType = header.Type;
        info.fccHandler = header.Handler;
        info.dwFlags = header.Flags;
        info.wPriority = header.Priority;
        info.wLanguage = header.Language;
        info.dwScale = DWORD(av->time_base.num);
        info.dwRate = DWORD(av->time_base.den);
        info.dwStart = header.Start;
        info.dwLength = DWORD(frames);
        info.dwInitialFrames = header.InitialFrames;
        info.dwSuggestedBufferSize = header.SuggestedBufferSize;
        info.dwQuality = header.Quality;
        info.dwSampleSize = header.SampleSize;
        info.rcFrame = RECT{header.Frame[0], header.Frame[1], header.Frame[2], header.Frame[3]};
        std::memcpy(info.szName, header.Name.data(), std::min(header.Name.size(), sizeof info.szName - 1));
        *stream = static_cast<PAVISTREAM>(AviStreams().Add(std::move(made)));
        return AVIERR_OK;
    }
    return AVIERR_NODATA;
}

ULONG AVIFileRelease(PAVIFILE file) {
    AviFiles().Remove(file);
    return 0;
}

HRESULT AVIStreamInfo(PAVISTREAM stream, AVISTREAMINFOA* info, LONG size) {
    auto object = AviStreams().Find(stream);
    if (!object)
        return AVIERR_BADHANDLE;
    if (!info || size < 0)
        return AVIERR_BADPARAM;
    std::memcpy(info, &object->Info, std::min<size_t>(size_t(size), sizeof object->Info));
    return AVIERR_OK;
}

HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG* size) {
    auto object = AviStreams().Find(stream);
    if (!object)
        return AVIERR_BADHANDLE;
    if (!size)
        return AVIERR_BADPARAM;
    std::vector<uint8_t> bytes;
    HRESULT result = avi::BuildVideoFormat(object->Container->Headers.Streams[size_t(object->Index)], bytes);
    if (result != AVIERR_OK)
        return result;
    LONG room = *size;
    *size = LONG(bytes.size());
    if (!format)
        return AVIERR_OK;
    if (room < 0)
        return AVIERR_BADPARAM;
    std::memcpy(format, bytes.data(), std::min<size_t>(size_t(room), bytes.size()));
    return size_t(room) < bytes.size() ? AVIERR_BUFFERTOOSMALL : AVIERR_OK;
}

namespace {

HRESULT AviStreamFrames(AviStreamObject& stream, const std::vector<AviFramePacket>*& frames) {
    AviContainer& container = *stream.Container;
    HRESULT result = container.Demux();
    if (result != AVIERR_OK)
        return result;
    static const std::vector<AviFramePacket> none;
    auto it = container.Frames.find(stream.Index);
    frames = it == container.Frames.end() ? &none : &it->second;
    if (frames->empty() && stream.Info.dwLength > 0)
        return AVIERR_NODATA;
    return AVIERR_OK;
}

} // namespace

HRESULT AVIStreamBeginStreaming(PAVISTREAM stream, LONG start, LONG end, LONG rate) {
    auto object = AviStreams().Find(stream);
    if (!object)
        return AVIERR_BADHANDLE;
    const std::vector<AviFramePacket>* frames = nullptr;
    return AviStreamFrames(*object, frames);
}

HRESULT AVIStreamEndStreaming(PAVISTREAM stream) {
    return AviStreams().Find(stream) ? AVIERR_OK : AVIERR_BADHANDLE;
}

LONG AVIStreamStart(PAVISTREAM stream) {
    auto object = AviStreams().Find(stream);
    return object ? LONG(object->Info.dwStart) : -1;
}

LONG AVIStreamLength(PAVISTREAM stream) {
    auto object = AviStreams().Find(stream);
    return object ? LONG(object->Info.dwLength) : -1;
}

ULONG AVIStreamRelease(PAVISTREAM stream) {
    AviStreams().Remove(stream);
    return 0;
}

PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM stream, const BITMAPINFOHEADER* wanted) {
    auto object = AviStreams().Find(stream);
    if (!object)
        return nullptr;
    bool force24 = false;
    if (wanted) {
        if (wanted->biBitCount != 24 || wanted->biCompression != 0 /* BI_RGB */)
            return nullptr;
        force24 = true;
    }
    auto getter = std::make_shared<AviGetFrameObject>();
    getter->Stream = object;
    getter->Force24 = force24;
    if (AviStreamFrames(*object, getter->Frames) != AVIERR_OK)
        return nullptr;
    const AVCodecParameters* parameters = object->Container->Format->streams[object->Index]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        return nullptr;
    getter->Codec.reset(avcodec_alloc_context3(codec));
    getter->Frame.reset(av_frame_alloc());
    if (!getter->Codec || !getter->Frame || avcodec_parameters_to_context(getter->Codec.get(), parameters) < 0)
        return nullptr;
    getter->Codec->thread_count = 1;
    getter->Codec->max_pixels = AviMaxFramePixels;
    getter->Codec->pkt_timebase = object->Container->Format->streams[object->Index]->time_base;
    if (avcodec_open2(getter->Codec.get(), codec, nullptr) < 0)
        return nullptr;
    return static_cast<PGETFRAME>(AviGetters().Add(std::move(getter)));
}

LPVOID AVIStreamGetFrame(PGETFRAME getter, LONG position) {
    auto object = AviGetters().Find(getter);
    return object ? AviDecodeFrame(*object, position) : nullptr;
}

HRESULT AVIStreamGetFrameClose(PGETFRAME getter) {
    return AviGetters().Remove(getter) ? AVIERR_OK : AVIERR_BADHANDLE;
}

} // namespace win
