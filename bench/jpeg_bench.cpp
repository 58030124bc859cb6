// Decodes each of the twelve pictures with this decoder, libjpeg-turbo
// (tjDecompress2 to BGR, accurate integer DCT) and stb_image in one run,
// and prints the best time per picture and the ratios to libjpeg-turbo,
// then one line per vector path of this decoder that the CPU runs
// (scalar, SSE2, AVX2).  Before timing it checks that this decoder's bytes,
// on every path, equal the plain reference decoder's.
//
//   jpeg_bench [rounds] [pictures-dir]
//   jpeg_bench --profile [rounds] [picture]   only this decoder, for a profiler
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_simd.h"
#include "tests/jpeg/reference_decoder.h"

#include <turbojpeg.h>
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#include <stb_image.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using jpeg_internal::SimdPath;

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    unsigned char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}

// Decodes with this decoder; returns the pixel bytes (empty when none).
std::vector<unsigned char> DecodeVelmor(const std::vector<unsigned char>& stream) {
    HLOCAL headerBlock = nullptr, pixelBlock = nullptr;
    JpegDecoder decoder;
    decoder.Decode(stream.data(), static_cast<DWORD>(stream.size()), &headerBlock, &pixelBlock);
    std::vector<unsigned char> pixels;
    if (pixelBlock) {
        const unsigned char* bytes = static_cast<const unsigned char*>(LocalLock(pixelBlock));
        pixels.assign(bytes, bytes + LocalSize(pixelBlock));
        LocalUnlock(pixelBlock);
    }
    LocalFree(headerBlock);
    LocalFree(pixelBlock);
    return pixels;
}

void TimeVelmor(const std::vector<unsigned char>& stream) {
    HLOCAL headerBlock = nullptr, pixelBlock = nullptr;
    JpegDecoder decoder;
    decoder.Decode(stream.data(), static_cast<DWORD>(stream.size()), &headerBlock, &pixelBlock);
    LocalFree(headerBlock);
    LocalFree(pixelBlock);
}

void TimeTurbo(tjhandle handle, const std::vector<unsigned char>& stream,
               std::vector<unsigned char>& out) {
    int width, height, subsampling, colorspace;
    tjDecompressHeader3(handle, stream.data(), stream.size(), &width, &height, &subsampling,
                        &colorspace);
    out.resize(static_cast<std::size_t>(width) * height * 3);
    if (tjDecompress2(handle, stream.data(), stream.size(), out.data(), width, 0, height, TJPF_BGR,
                      0) != 0) {
        std::fprintf(stderr, "libjpeg-turbo: %s\n", tjGetErrorStr2(handle));
        std::exit(1);
    }
}

void TimeStb(const std::vector<unsigned char>& stream) {
    int width, height, channels;
    unsigned char* pixels = stbi_load_from_memory(stream.data(), static_cast<int>(stream.size()),
                                                  &width, &height, &channels, 3);
    if (!pixels) std::exit(1);
    stbi_image_free(pixels);
}

template <typename F>
double Milliseconds(F&& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

// Best times per picture: of this decoder on each path, of turbo, of stb.
struct Timings {
    std::vector<std::vector<double>> velmor;  // [path][picture]
    std::vector<double> turbo, stb;
};

// Reads the twelve pictures and checks this decoder's bytes on every path
// against the reference decoder; false (after saying why) when not.
bool LoadAndCheck(const std::string& dir, const std::vector<SimdPath>& paths,
                  std::vector<std::vector<unsigned char>>* streams) {
    for (int i = 1; i <= 12; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "/%02d.jpg", i);
        streams->push_back(ReadFile(dir + name));
        const std::vector<unsigned char>& stream = streams->back();
        if (stream.empty()) {
            std::fprintf(stderr, "cannot read %s%s\n", dir.c_str(), name);
            return false;
        }
        const ReferencePicture reference = ReferenceDecode(stream.data(), stream.size());
        for (SimdPath path : paths) {
            jpeg_internal::LimitPath(path);
            if (DecodeVelmor(stream) != reference.pixels) {
                std::fprintf(stderr, "%s: %s output differs from the plain reference decoder\n",
                             name + 1, jpeg_internal::PathName(path));
                return false;
            }
        }
    }
    return true;
}

// Interleaves the decoders so that a noisy neighbour hurts all alike, and
// keeps the best time of each.
Timings Measure(const std::vector<std::vector<unsigned char>>& streams,
                const std::vector<SimdPath>& paths, int rounds) {
    const std::size_t pictures = streams.size();
    Timings best;
    best.velmor.assign(paths.size(), std::vector<double>(pictures, 1e30));
    best.turbo.assign(pictures, 1e30);
    best.stb.assign(pictures, 1e30);
    tjhandle turbo = tjInitDecompress();
    std::vector<unsigned char> turboOut;
    auto keep = [](double& record, double t) { record = t < record ? t : record; };
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < pictures; ++i) {
            const auto& s = streams[i];
            for (std::size_t p = 0; p < paths.size(); ++p) {
                jpeg_internal::LimitPath(paths[p]);
                keep(best.velmor[p][i], Milliseconds([&] { TimeVelmor(s); }));
            }
            keep(best.turbo[i], Milliseconds([&] { TimeTurbo(turbo, s, turboOut); }));
            keep(best.stb[i], Milliseconds([&] { TimeStb(s); }));
        }
    }
    tjDestroy(turbo);
    return best;
}

void Report(const Timings& best, const std::vector<SimdPath>& paths, int rounds) {
    const std::vector<double>& velmor = best.velmor.back();
    std::printf("picture   velmor ms   turbo ms   stb ms   velmor/turbo   stb/turbo\n");
    double total[3] = {0, 0, 0};
    for (std::size_t i = 0; i < velmor.size(); ++i) {
        std::printf("%02d.jpg   %9.3f  %9.3f  %7.3f   %12.2f   %9.2f\n", static_cast<int>(i) + 1,
                    velmor[i], best.turbo[i], best.stb[i], velmor[i] / best.turbo[i],
                    best.stb[i] / best.turbo[i]);
        total[0] += velmor[i];
        total[1] += best.turbo[i];
        total[2] += best.stb[i];
    }
    std::printf("total    %9.3f  %9.3f  %7.3f   %12.2f   %9.2f\n", total[0], total[1], total[2],
                total[0] / total[1], total[2] / total[1]);
    std::printf(
        "(best of %d rounds; velmor on its %s path, its output checked equal to the plain "
        "reference decoder on every path)\n",
        rounds, jpeg_internal::PathName(paths.back()));
    for (std::size_t p = 0; p < paths.size(); ++p) {
        double sum = 0;
        for (double t : best.velmor[p]) sum += t;
        std::printf("velmor %s: %.1f ms, velmor/turbo %.2f\n", jpeg_internal::PathName(paths[p]),
                    sum, sum / total[1]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--profile") == 0) {
        const int rounds = argc > 2 ? std::atoi(argv[2]) : 100;
        const int only = argc > 3 ? std::atoi(argv[3]) : 0;  // one picture, or all
        for (int i = 1; i <= 12; ++i) {
            if (only && i != only) continue;
            char name[16];
            std::snprintf(name, sizeof name, "/%02d.jpg", i);
            const auto stream = ReadFile(std::string(VELMOR_PICTURES_DIR) + name);
            for (int r = 0; r < rounds; ++r) TimeVelmor(stream);
        }
        return 0;
    }
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 30;
    const std::string dir = argc > 2 ? argv[2] : VELMOR_PICTURES_DIR;
    std::vector<SimdPath> paths;
    for (SimdPath path : {SimdPath::SCALAR, SimdPath::SSE2, SimdPath::AVX2}) {
        if (jpeg_internal::PathSupported(path))
            paths.push_back(path);
        else
            std::printf("velmor %s: not run (this build or CPU lacks it)\n",
                        jpeg_internal::PathName(path));
    }
    std::vector<std::vector<unsigned char>> streams;
    if (!LoadAndCheck(dir, paths, &streams)) return 1;
    Report(Measure(streams, paths, rounds), paths, rounds);
    return 0;
}
