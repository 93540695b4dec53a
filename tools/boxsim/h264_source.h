// A tiny but valid H.264 elementary stream: one I_PCM picture per group of
// pictures followed by P pictures whose macroblocks are all skipped, so players
// and ffprobe decode it without errors while it costs almost nothing to make.
#pragma once

#include <cstdint>
#include <vector>

constexpr int VIDEO_WIDTH = 64;
constexpr int VIDEO_HEIGHT = 48;
constexpr int VIDEO_FRAME_RATE = 25;
constexpr int FRAMES_PER_GOP = 32;

// The access unit of frame frameIndex (Annex B byte stream with an access unit
// delimiter first). shade sets the picture's brightness, so boxes look different.
std::vector<std::uint8_t> MakeAccessUnit(std::uint64_t frameIndex, std::uint8_t shade);

bool IsKeyFrame(std::uint64_t frameIndex);

// A filler NAL unit of exactly totalBytes bytes (at least 6), start code included.
void AppendFillerNal(std::vector<std::uint8_t>& out, std::size_t totalBytes);
