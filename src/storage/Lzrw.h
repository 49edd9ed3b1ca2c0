// LZRW compression of byte streams, used for the internal file a file-backed
// storage data keeps in its form stream. The stream is a sequence of blocks,
// each a 4-byte little-endian length and an LZRW block holding one chunk of
// at most LzrwChunkSize input bytes; Lzrw.cpp is the one place that knows
// this layout. The callers own both devices; each call keeps its own work
// buffers and hash table, so separate calls may run on separate threads.
#pragma once

#include <QIODevice>

// Largest number of input bytes one block holds.
inline constexpr qsizetype LzrwChunkSize = 32782;

// Largest block length: a stored block is one byte longer than its chunk.
inline constexpr qsizetype LzrwMaxBlockSize = LzrwChunkSize + 1;

// Writes the LZRW stream of SOURCE's bytes from its position to its end at
// TARGET's position. An empty source writes nothing. Raises TrsException
// when a device fails.
void CompressStream(QIODevice& source, QIODevice& target);

// Reads an LZRW stream from SOURCE's position and writes the bytes it holds
// to TARGET. A block length of 0 or the end of the source ends the stream.
// Damaged input (a length out of range, a cut block, an unknown block kind,
// a copy reaching before the output or beyond the chunk size) raises
// TrsException; the bytes of the blocks before the damage are written.
void DecompressStream(QIODevice& source, QIODevice& target);
