#pragma once

// Where the library's own images live: the module handle of the code that is running, and
// the lookup of resources stored in that module.
//
// On Windows the handle is the module's HINSTANCE and resources come from the .rc file
// linked into it (FindResourceA). On Linux the handle is the load address of the shared
// object or program (found with dladdr), and resources come from tables that the build
// generates from the same files and that register themselves at static initialisation.

// Opaque module handle. On Windows this is exactly HINSTANCE.
struct HINSTANCE__;
using RasterModuleHandle = HINSTANCE__*;

// Records the handle the library's load routine was given (DllMain on Windows). Until one
// is recorded, RasterGetModuleHandle answers the module that contains this code.
// loader thread (DllMain) or before any editor exists
void RasterSetModuleHandle(RasterModuleHandle module);

// The module that holds the product's resources: the recorded handle, else the module that
// contains this code (the DLL or shared object when linked into one, the program itself in
// test programs).
// any thread
RasterModuleHandle RasterGetModuleHandle();

// One embedded resource of a generated table (Linux).
struct RasterResourceEntry
{
  int id;                     // resource number
  const char* type;           // resource type name, e.g. "PNG"
  const unsigned char* data;  // the file's bytes
  int size;                   // byte count
};

// A generated table; linked into a process-wide list when its module initialises. The
// module field is filled in at registration.
struct RasterResourceTable
{
  const RasterResourceEntry* entries;
  int count;
  RasterModuleHandle module;
  RasterResourceTable* next;
};

// static initialisation of a generated table (Linux)
void RasterRegisterResourceTable(RasterResourceTable* table);

// Finds resource `id` (low 16 bits) of `type` in `module`. On success stores its bytes and
// size and answers true; the bytes stay valid while the module is loaded.
// any thread
bool RasterFindResource(RasterModuleHandle module, int id, const char* type,
                        const unsigned char** data, int* size);
