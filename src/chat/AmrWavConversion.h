#pragma once

#include <cstdio>

// Conversion between the voice files of the app: AMR-NB files (the storage format: the magic
// "#!AMR\n" and frames back to back) as voices travel and are kept, and 8 kHz mono 16-bit
// WAV files as the recorder writes them and the player plays them. Plain functions with no
// state of their own; paths are UTF-8 byte strings.

// One frame: 20 ms of speech, 160 samples at 8000 Hz.
inline constexpr int kPcmFrameSamples = 160;
// The largest coded frame (12.2 kbit/s with its header byte), the size of a frame buffer.
inline constexpr int kAmrFrameBufferBytes = 32;
// The header this module writes before decoded samples.
inline constexpr int kWavHeaderBytes = 48;

// Encodes the PCM file at `wavPath` into an AMR file at `amrPath`, every frame at 12.2 kbit/s.
// A recorder's WAV file is read through its header, its data chunk only; any other file is taken
// as raw samples of `channels` and `bitsPerSample` from its first byte. Returns the number of
// frames written: 0 on failure or when there is not one whole frame to encode.
int encodeWavFileToAmrFile(const char* wavPath, const char* amrPath, int channels,
                           int bitsPerSample);

// Decodes the AMR file at `amrPath` into a WAV file at `wavPath`. Returns the number of frames
// decoded, 0 on failure (no file, no magic, no whole first frame).
int decodeAmrFileToWavFile(const char* amrPath, const char* wavPath);

// Reads one frame of raw PCM (8 or 16 bits, 1 or 2 channels) into 160 mono samples. Returns the
// items read (samples, or bytes for 8-bit input) when a whole frame was there, else 0.
int readPcmFrame(short speech[kPcmFrameSamples], std::FILE* input, int channels, int bitsPerSample);

// Writes the 48-byte header of a WAV file of `frameCount` frames at the stream's position.
void writeWavHeader(std::FILE* output, int frameCount);

// Reads the first frame of an AMR stream (after its magic) into `frameBuffer`, answering its
// size and header byte. Returns nonzero when a whole frame of a speech type (0-7) was read.
int readFirstAmrFrame(std::FILE* input, unsigned char frameBuffer[kAmrFrameBufferBytes],
                      int* frameSize, unsigned char* frameHeader);

// Reads the next frame with the first frame's header byte, skipping any bytes before it.
// Returns nonzero when a whole frame was read.
int readNextAmrFrame(std::FILE* input, unsigned char frameBuffer[kAmrFrameBufferBytes],
                     int frameSize, unsigned char frameHeader);
