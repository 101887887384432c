// SPDX-License-Identifier: GPL-2.0-or-later
#include "vidcore_test_support.h"

#include "vidcore.h"

#include <QTest>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace vidcore_test {

namespace {

    void* MapShared(const char* mapName, std::size_t size)
    {
        const std::string name = frameblock::MapFilePath(mapName);
        ::unlink(name.c_str());
        const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        EXPECT_GE(fd, 0) << name;
        if (fd < 0)
            return nullptr;
        EXPECT_EQ(::ftruncate(fd, off_t(size)), 0);
        void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        ::close(fd);
        EXPECT_NE(view, MAP_FAILED);
        return view == MAP_FAILED ? nullptr : view;
    }

    std::string Field(const std::string& text, const std::string& key)
    {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind(key + "=", 0) == 0)
                return line.substr(key.size() + 1);
        return {};
    }

    std::string Quoted(const std::string& path) { return "'" + path + "'"; }

    GstPadProbeReturn CountFrame(GstPad*, GstPadProbeInfo*, gpointer counter)
    {
        ++*static_cast<long*>(counter);
        return GST_PAD_PROBE_OK;
    }

    // Each stream decodebin finds ends in a sink of its own, so a clip without
    // sound ends as promptly as one with it; video frames are counted.
    void LinkDecodedStream(GstElement* decoder, GstPad* pad, gpointer counter)
    {
        GstObject* pipeline = gst_element_get_parent(decoder);
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", FALSE, nullptr);
        gst_bin_add(GST_BIN(pipeline), sink);
        gst_object_unref(pipeline);
        GstPad* input = gst_element_get_static_pad(sink, "sink");
        GstCaps* caps = gst_pad_get_current_caps(pad);
        if (!caps)
            caps = gst_pad_query_caps(pad, nullptr);
        if (caps && gst_caps_get_size(caps) > 0
            && g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/"))
            gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_BUFFER, CountFrame, counter, nullptr);
        if (caps)
            gst_caps_unref(caps);
        gst_pad_link(pad, input);
        gst_object_unref(input);
        gst_element_sync_state_with_parent(sink);
    }

    long GStreamerVideoFrames(const std::string& path)
    {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        GError* error = nullptr;
        const std::string line = "filesrc location=\"" + path + "\" ! decodebin name=d";
        GstElement* pipeline = gst_parse_launch(line.c_str(), &error);
        if (error) {
            ADD_FAILURE() << error->message;
            g_clear_error(&error);
            if (pipeline)
                gst_object_unref(pipeline);
            return -1;
        }
        long frames = 0;
        GstElement* decoder = gst_bin_get_by_name(GST_BIN(pipeline), "d");
        g_signal_connect(decoder, "pad-added", G_CALLBACK(LinkDecodedStream), &frames);
        gst_object_unref(decoder);
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        // Decoding a test clip takes a second or two; past this it hangs.
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 20 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        const bool ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
        if (!message)
            ADD_FAILURE() << "GStreamer did not finish decoding " << path;
        if (message && !ended) {
            GError* failure = nullptr;
            gst_message_parse_error(message, &failure, nullptr);
            ADD_FAILURE() << "GStreamer cannot decode " << path << ": " << failure->message;
            g_clear_error(&failure);
        }
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        return ended ? frames : -1;
    }

} // namespace

FrameMaps::FrameMaps()
{
    static unsigned char* const block
        = static_cast<unsigned char*>(MapShared(frameblock::kFrameBlockMapName, frameblock::kFrameBlockSize));
    static void* const permission = [] {
        void* view = MapShared(frameblock::kPermissionMapName, frameblock::kPermissionSize);
        std::atexit([] {
            ::unlink(frameblock::MapFilePath(frameblock::kFrameBlockMapName).c_str());
            ::unlink(frameblock::MapFilePath(frameblock::kPermissionMapName).c_str());
        });
        return view;
    }();
    block_ = block;
    permission_ = permission;
    if (permission_)
        SetPermission(1);
}

uint64_t FrameMaps::FrameChecksum() const
{
    const std::size_t size = std::min<std::size_t>(
        std::size_t(std::max(0, Width())) * std::max(0, Height()) * 3, frameblock::kPixelAreaSize);
    uint64_t sum = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; i += 7)
        sum = (sum ^ block_[i]) * 1099511628211ull;
    return sum;
}

bool FrameMaps::WaitForNewFrame(uint64_t previous, std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor([&] { return FrameReady() && FrameChecksum() != previous; }, int(timeout.count()));
}

bool FrameMaps::WaitForSize(int width, int height, std::chrono::milliseconds timeout) const
{
    return QTest::qWaitFor(
        [&] { return FrameReady() && Width() == width && Height() == height && BitCount() == 24; },
        int(timeout.count()));
}

void ChooseSyntheticDevices()
{
    int32_t videos = 0;
    int32_t audios = 0;
    AM_GetDeviceNum(&videos);
    AM_GetAudioDeviceNum(&audios);
    ASSERT_GT(videos, 0);
    ASSERT_GT(audios, 0);
    AM_ChooseVideoDevice(videos - 1);
    AM_ChooseAudioDevice(audios - 1);
}

std::string Run(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return "cannot run " + command;
    std::array<char, 4096> chunk;
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        output.append(chunk.data(), got);
    ::pclose(pipe);
    return output;
}

std::string WorkPath(const std::string& name)
{
    char folder[4096];
    return std::string(::getcwd(folder, sizeof folder) ? folder : ".") + "/" + name;
}

std::string NewClipPath(const std::string& name)
{
    const std::string path = WorkPath(name);
    std::remove(path.c_str());
    return path;
}

ClipFacts ExamineClip(const std::string& path)
{
    ClipFacts facts;
    const std::string format
        = Run("ffprobe -v error -show_entries format=format_name,duration -of default=nw=1 " + Quoted(path));
    facts.format = Field(format, "format_name");
    facts.duration = std::atof(Field(format, "duration").c_str());
    const std::string video = Run("ffprobe -v error -select_streams v:0 -show_entries "
                                  "stream=codec_name,pix_fmt,profile -of default=nw=1 "
        + Quoted(path));
    facts.videoCodec = Field(video, "codec_name");
    facts.pixelFormat = Field(video, "pix_fmt");
    facts.videoProfile = Field(video, "profile");
    facts.audioCodec = Field(Run("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of "
                                 "default=nw=1 "
                                 + Quoted(path)),
        "codec_name");
    facts.ffmpegFrames = std::atol(Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                       "stream=nb_read_frames -of csv=p=0 "
        + Quoted(path))
                                       .c_str());
    facts.ffmpegErrors = Run("ffmpeg -nostdin -v error -i " + Quoted(path) + " -f null -");
    facts.gstreamerFrames = GStreamerVideoFrames(path);
    return facts;
}

namespace {

    // Entries of a /proc folder come and go while it is read: a failed
    // step ends the listing rather than throwing.
    void ForEachEntryIn(const char* folder, const std::function<void(const std::filesystem::path&)>& visit)
    {
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error))
            visit(it->path());
    }

    int EntriesIn(const char* folder)
    {
        int count = 0;
        ForEachEntryIn(folder, [&](const std::filesystem::path&) { ++count; });
        return count;
    }

    // GLib's idle pool threads are asked to end before each count.
    int ThreadsBesideIdlePoolThreads()
    {
        g_thread_pool_stop_unused_threads();
        return Threads();
    }

} // namespace

int OpenDescriptors()
{
    // The listing's own descriptor is open while it counts.
    return EntriesIn("/proc/self/fd") - 1;
}

int DescriptorsOpening(const std::string& path)
{
    int count = 0;
    ForEachEntryIn("/proc/self/fd", [&](const std::filesystem::path& fd) {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(fd, error);
        // A removed file reads "<path> (deleted)".
        if (!error && (target == path || target.string() == path + " (deleted)"))
            ++count;
    });
    return count;
}

int Threads() { return EntriesIn("/proc/self/task"); }

std::string ThreadNames()
{
    std::map<std::string, int> counts;
    ForEachEntryIn("/proc/self/task", [&](const std::filesystem::path& thread) {
        std::ifstream comm(thread / "comm");
        std::string name;
        std::getline(comm, name);
        ++counts[name];
    });
    std::string names;
    for (const auto& [name, count] : counts)
        names += (names.empty() ? "" : ", ") + name + " x" + std::to_string(count);
    return names;
}

int SettledThreads()
{
    using Clock = std::chrono::steady_clock;
    int count = Threads();
    auto since = Clock::now();
    static_cast<void>(QTest::qWaitFor(
        [&] {
            if (const int now = ThreadsBesideIdlePoolThreads(); now != count) {
                count = now;
                since = Clock::now();
            }
            return Clock::now() - since > std::chrono::milliseconds(700);
        },
        5000));
    return count;
}

bool ThreadsSettleAtMost(int most, std::chrono::milliseconds timeout)
{
    return QTest::qWaitFor([most] { return ThreadsBesideIdlePoolThreads() <= most; }, int(timeout.count()));
}

} // namespace vidcore_test

namespace {

// The tests need the synthetic devices and no display server whatever the
// runner passes on.
const bool environmentReady = [] {
    ::setenv("VIDCORE_TEST_DEVICES", "1", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return true;
}();

} // namespace
