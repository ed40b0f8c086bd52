// Texture files decoded ahead of their loading, on a thread of its own, while the loader does
// other work. Only a cache: a file whose reading ahead fails, or has not started when it is
// wanted, is read by the caller as without it, so every failure is found and reported where
// the loading meets it.
#pragma once

#include "framework/gl/ImageFiles.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ImageReadAhead {
public:
    // Starts decoding the files in their order; then runs afterwards on the same thread.
    ImageReadAhead(std::vector<std::string> paths, std::function<void()> afterwards);
    // Waits for the file under way (if any); the rest are not read.
    ~ImageReadAhead();
    ImageReadAhead(const ImageReadAhead&) = delete;
    ImageReadAhead& operator=(const ImageReadAhead&) = delete;

    // The picture of path, waiting for it when it is being decoded (and meanwhile decoding the
    // last file not yet started, from the end of the list). False when path is not among the
    // files, its decoding failed, or it had not started (it is then left to the caller); each
    // file is handed out once.
    bool Take(const std::string& path, ImageRGBA& out);

    // Decoded pictures are held back, not read further ahead, beyond this many bytes of them.
    static constexpr std::size_t MaxHeldBytes = 64u << 20;
    // The largest picture side decoded ahead: the caller checks its own driver's limit.
    static constexpr std::uint32_t MaxSide = 16384;
    // The thread's nice value: below the loading thread.
    static constexpr int BackgroundNice = 10;

private:
    enum class State { Waiting, Decoding, Decoded, Failed, Taken };
    struct File {
        std::string Path;
        State Now = State::Waiting;
        ImageRGBA Image;
    };
    void Work(const std::function<void()>& afterwards);
    // Decodes the file, with the lock released meanwhile.
    void Decode(File& file, std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<File> files_;
    std::size_t heldBytes_ = 0;
    bool stopping_ = false;
    std::thread worker_;
};
