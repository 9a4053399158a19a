// The NeuQuant quantizer: a self-organising map of NCol neurons learns the colours of an image from a
// sample of its pixels (visited in a prime stride), and then maps any colour to the nearest neuron.
// All arithmetic is integer.
#pragma once

#include "imaging/core/IKHelpers.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace imaging {

class TIKBitmap;

// The sampling factor for an image of that many pixels: 1 below 2000 pixels, growing to at most 30.
int32_t NeuQuantSampleFactor(int64_t pixels);
// The sampling factor for a quality of 0 (30, fastest) to 100 (1, every pixel); -1 follows the image size.
int32_t NeuQuantQualityFactor(int32_t quality, int64_t pixels);

class NeuQuantNet {
public:
    // Learns the colours of a non-empty 24-bit image with nCol (at least 8) neurons and writes the palette
    // into colorMap[0..nCol-1]; nCol is limited to the size of colorMap.
    NeuQuantNet(TIKBitmap* bitmap, std::span<TIKColorTriple> colorMap, int32_t nCol, int32_t sampleFac);

    // The palette index of the neuron nearest to the colour (sum of absolute differences). Colours of
    // bytes are answered from a cache of earlier answers when it holds them (safe from several threads).
    int32_t Search(int32_t b, int32_t g, int32_t r) const;
    int32_t Search(TIKColorTriple c) const { return Search(c.B, c.G, c.R); }
    // The same answer, always searched for along the network.
    int32_t SearchNearest(int32_t b, int32_t g, int32_t r) const;

    int32_t GetNetSize() const { return FNetSize; }
    int32_t GetSampleFac() const { return FSampleFac; }
    int32_t GetInitRadius() const { return FInitRadius; }
    int32_t GetStep() const { return FStep; }
    int64_t GetSamplesRead() const { return FSamplesRead; }

private:
    struct Neuron {
        int32_t B, G, R, Index;
    };
    void Learn(TIKBitmap* bitmap);
    int32_t Contest(int32_t b, int32_t g, int32_t r);
    void AlterSingle(int32_t alpha, int32_t i, int32_t b, int32_t g, int32_t r);
    void AlterNeighbours(int32_t rad, int32_t i, int32_t b, int32_t g, int32_t r);
    void ComputeRadPower(int32_t rad, int32_t alpha);
    void BuildIndex();

    int32_t FNetSize = 0;
    int32_t FMaxNetPos = 0;
    int32_t FInitRad = 0;
    int32_t FInitRadius = 0;
    int32_t FAlphaDec = 0;
    int64_t FLengthCount = 0;
    int32_t FSampleFac = 1;
    int32_t FStep = 0;
    int64_t FSamplesRead = 0;
    std::vector<Neuron> FNetwork;
    int32_t FNetIndex[256] = {};
    std::vector<int32_t> FBias;
    std::vector<int32_t> FFreq;
    std::vector<int32_t> FRadPower;
    int32_t SearchCandidates(int32_t b, int32_t g, int32_t r) const;
    const uint16_t* BuildCell(uint32_t cell) const;

    // Search's answers: a direct-mapped table of words, each the valid bit, the part of the colour's key
    // that the slot does not tell, and the index (see IKNeuQuant.cpp).
    std::unique_ptr<std::atomic<uint32_t>[]> FCache;
    // For each cube of colours, made when first asked for: the count and network positions of the neurons
    // that can be nearest to some colour of the cube. Lists are made under FCellLock and never move.
    std::unique_ptr<std::atomic<const uint16_t*>[]> FCells;
    mutable std::mutex FCellLock;
    mutable std::vector<std::unique_ptr<uint16_t[]>> FCellPool;
    mutable size_t FCellPoolFree = 0;
    std::vector<uint8_t> FPlanes; // B, G, R of the neurons in network order, NetSize bytes each
};

} // namespace imaging
