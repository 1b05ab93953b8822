// Our own declarations of the Photoshop-compatible filter plug-in API: the parameter
// block the host hands to ENTRYPOINT, its callback types and suites, and the constants
// the plug-in uses. Written from the published record layouts; PiApiLayout.cpp checks
// every field offset against them at compile time for 32-bit and 64-bit builds.
//
// This is the one include point for the host API. Engine and parameter code never see it
// except through params/ scripting and host/.
#pragma once

#include <cstdint>

extern "C" {

typedef int16_t OSErr;
typedef uint8_t PiBoolean;  // the API's Boolean: one byte, TRUE = 1
typedef int32_t Fixed;      // 16.16 fixed point
typedef uint32_t OSType;
typedef uint32_t DescriptorKeyID;
typedef uint32_t DescriptorTypeID;
typedef uint32_t DescriptorUnitID;
typedef uint32_t DescriptorEnumID;
typedef char* Ptr;
typedef char** Handle;
typedef Handle PIDescriptorHandle;
typedef struct PIOpaqueReadDescriptor* PIReadDescriptor;
typedef struct PIOpaqueWriteDescriptor* PIWriteDescriptor;
typedef struct PSOpaqueBuffer* BufferID;
typedef unsigned char Str255[256];

struct Point {
  int16_t v;  // row first, as the API has it
  int16_t h;
};

struct Rect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

struct VPoint {
  int32_t v;
  int32_t h;
};

struct VRect {
  int32_t top;
  int32_t left;
  int32_t bottom;
  int32_t right;
};

struct PSRGBColor {
  uint16_t red;
  uint16_t green;
  uint16_t blue;
};

typedef unsigned char FilterColor[4];

struct PlugInMonitor {
  Fixed gamma;
  Fixed redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
  Fixed ambient;
};

// Direct callbacks of the record. The API uses the C calling convention everywhere.
typedef PiBoolean (*TestAbortProc)(void);
typedef void (*ProgressProc)(int32_t done, int32_t total);
typedef void (*HostProc)(int16_t selector, intptr_t* data);
typedef void (*ProcessEventProc)(void* event);
typedef OSErr (*DisplayPixelsProc)(const void* source, const VRect* srcRect, int32_t dstRow,
                                   int32_t dstCol, void* platformContext);
typedef OSErr (*AdvanceStateProc)(void);
typedef OSErr (*GetPropertyProc)(OSType signature, OSType key, int32_t index,
                                 intptr_t* simpleProperty, Handle* complexProperty);

// Buffer suite.
typedef OSErr (*AllocateBufferProc)(int32_t size, BufferID* bufferID);
typedef Ptr (*LockBufferProc)(BufferID bufferID, PiBoolean moveHigh);
typedef void (*UnlockBufferProc)(BufferID bufferID);
typedef void (*FreeBufferProc)(BufferID bufferID);
typedef int32_t (*BufferSpaceProc)(void);
typedef OSErr (*ReserveSpaceProc)(int32_t size);
typedef OSErr (*AllocateBufferProc64)(int64_t size, BufferID* bufferID);
typedef int64_t (*BufferSpaceProc64)(void);

struct BufferProcs {
  int16_t bufferProcsVersion;
  int16_t numBufferProcs;
  AllocateBufferProc allocateProc;
  LockBufferProc lockProc;
  UnlockBufferProc unlockProc;
  FreeBufferProc freeProc;
  BufferSpaceProc spaceProc;
  ReserveSpaceProc reserveProc;
  AllocateBufferProc64 allocateProc64;
  BufferSpaceProc64 spaceProc64;
};

// Handle suite.
typedef Handle (*NewPIHandleProc)(int32_t size);
typedef void (*DisposePIHandleProc)(Handle h);
typedef int32_t (*GetPIHandleSizeProc)(Handle h);
typedef OSErr (*SetPIHandleSizeProc)(Handle h, int32_t newSize);
typedef Ptr (*LockPIHandleProc)(Handle h, PiBoolean moveHigh);
typedef void (*UnlockPIHandleProc)(Handle h);
typedef void (*RecoverSpaceProc)(int32_t size);
typedef void (*DisposeRegularHandlePIHandleProc)(Handle h);

struct HandleProcs {
  int16_t handleProcsVersion;
  int16_t numHandleProcs;
  NewPIHandleProc newProc;
  DisposePIHandleProc disposeProc;
  GetPIHandleSizeProc getSizeProc;
  SetPIHandleSizeProc setSizeProc;
  LockPIHandleProc lockProc;
  UnlockPIHandleProc unlockProc;
  RecoverSpaceProc recoverSpaceProc;
  DisposeRegularHandlePIHandleProc disposeRegularHandleProc;
};

// Descriptor (scripting) suites.
struct PIDescriptorSimpleReference {
  DescriptorTypeID desiredClass;
  DescriptorKeyID keyForm;
  struct {
    Str255 name;
    int32_t index;
    DescriptorTypeID type;
    DescriptorEnumID value;
  } keyData;
};

typedef PIReadDescriptor (*OpenReadDescriptorProc)(PIDescriptorHandle descriptor,
                                                   DescriptorKeyID keyArray[]);
typedef OSErr (*CloseReadDescriptorProc)(PIReadDescriptor token);
typedef PiBoolean (*GetKeyProc)(PIReadDescriptor token, DescriptorKeyID* key,
                                DescriptorTypeID* type, int32_t* flags);
typedef OSErr (*GetIntegerProc)(PIReadDescriptor token, int32_t* value);
typedef OSErr (*GetFloatProc)(PIReadDescriptor token, double* value);
typedef OSErr (*GetUnitFloatProc)(PIReadDescriptor token, DescriptorUnitID* unit, double* value);
typedef OSErr (*GetBooleanProc)(PIReadDescriptor token, PiBoolean* value);
typedef OSErr (*GetTextProc)(PIReadDescriptor token, Handle* text);
typedef OSErr (*GetAliasProc)(PIReadDescriptor token, Handle* alias);
typedef OSErr (*GetEnumeratedProc)(PIReadDescriptor token, DescriptorEnumID* value);
typedef OSErr (*GetClassProc)(PIReadDescriptor token, DescriptorTypeID* value);
typedef OSErr (*GetSimpleReferenceProc)(PIReadDescriptor token, PIDescriptorSimpleReference* ref);
typedef OSErr (*GetObjectProc)(PIReadDescriptor token, DescriptorTypeID* type,
                               PIDescriptorHandle* object);
typedef OSErr (*GetCountProc)(PIReadDescriptor token, uint32_t* count);
typedef OSErr (*GetStringProc)(PIReadDescriptor token, Str255* value);
typedef OSErr (*GetPinnedIntegerProc)(PIReadDescriptor token, int32_t min, int32_t max,
                                      int32_t* value);
typedef OSErr (*GetPinnedFloatProc)(PIReadDescriptor token, const double* min, const double* max,
                                    double* value);
typedef OSErr (*GetPinnedUnitFloatProc)(PIReadDescriptor token, const double* min,
                                        const double* max, DescriptorUnitID* unit, double* value);

struct ReadDescriptorProcs {
  int16_t readDescriptorProcsVersion;
  int16_t numReadDescriptorProcs;
  OpenReadDescriptorProc openReadDescriptorProc;
  CloseReadDescriptorProc closeReadDescriptorProc;
  GetKeyProc getKeyProc;
  GetIntegerProc getIntegerProc;
  GetFloatProc getFloatProc;
  GetUnitFloatProc getUnitFloatProc;
  GetBooleanProc getBooleanProc;
  GetTextProc getTextProc;
  GetAliasProc getAliasProc;
  GetEnumeratedProc getEnumeratedProc;
  GetClassProc getClassProc;
  GetSimpleReferenceProc getSimpleReferenceProc;
  GetObjectProc getObjectProc;
  GetCountProc getCountProc;
  GetStringProc getStringProc;
  GetPinnedIntegerProc getPinnedIntegerProc;
  GetPinnedFloatProc getPinnedFloatProc;
  GetPinnedUnitFloatProc getPinnedUnitFloatProc;
};

typedef PIWriteDescriptor (*OpenWriteDescriptorProc)(void);
typedef OSErr (*CloseWriteDescriptorProc)(PIWriteDescriptor token,
                                          PIDescriptorHandle* newDescriptor);
typedef OSErr (*PutIntegerProc)(PIWriteDescriptor token, DescriptorKeyID key, int32_t value);
typedef OSErr (*PutFloatProc)(PIWriteDescriptor token, DescriptorKeyID key, const double* value);
typedef OSErr (*PutUnitFloatProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                  DescriptorUnitID unit, const double* value);
typedef OSErr (*PutBooleanProc)(PIWriteDescriptor token, DescriptorKeyID key, PiBoolean value);
typedef OSErr (*PutTextProc)(PIWriteDescriptor token, DescriptorKeyID key, Handle text);
typedef OSErr (*PutAliasProc)(PIWriteDescriptor token, DescriptorKeyID key, Handle alias);
typedef OSErr (*PutEnumeratedProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                   DescriptorTypeID type, DescriptorEnumID value);
typedef OSErr (*PutClassProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID value);
typedef OSErr (*PutSimpleReferenceProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                        const PIDescriptorSimpleReference* ref);
typedef OSErr (*PutObjectProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                               PIDescriptorHandle object);
typedef OSErr (*PutCountProc)(PIWriteDescriptor token, DescriptorKeyID key, uint32_t count);
typedef OSErr (*PutStringProc)(PIWriteDescriptor token, DescriptorKeyID key,
                               const unsigned char* pascalString);
typedef OSErr (*PutScopedClassProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                    DescriptorTypeID value);
typedef OSErr (*PutScopedObjectProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                     DescriptorTypeID type, PIDescriptorHandle object);

struct WriteDescriptorProcs {
  int16_t writeDescriptorProcsVersion;
  int16_t numWriteDescriptorProcs;
  OpenWriteDescriptorProc openWriteDescriptorProc;
  CloseWriteDescriptorProc closeWriteDescriptorProc;
  PutIntegerProc putIntegerProc;
  PutFloatProc putFloatProc;
  PutUnitFloatProc putUnitFloatProc;
  PutBooleanProc putBooleanProc;
  PutTextProc putTextProc;
  PutAliasProc putAliasProc;
  PutEnumeratedProc putEnumeratedProc;
  PutClassProc putClassProc;
  PutSimpleReferenceProc putSimpleReferenceProc;
  PutObjectProc putObjectProc;
  PutCountProc putCountProc;
  PutStringProc putStringProc;
  PutScopedClassProc putScopedClassProc;
  PutScopedObjectProc putScopedObjectProc;
};

struct PIDescriptorParameters {
  int16_t descriptorParametersVersion;
  int16_t playInfo;
  int16_t recordInfo;
  PIDescriptorHandle descriptor;
  WriteDescriptorProcs* writeDescriptorProcs;
  ReadDescriptorProcs* readDescriptorProcs;
};

// Colour services.
struct ColorServicesInfo {
  int32_t infoSize;
  int16_t selector;
  int16_t sourceSpace;
  int16_t resultSpace;
  PiBoolean resultGamutInfoValid;
  PiBoolean resultInGamut;
  void* reservedSourceSpaceInfo;
  void* reservedResultSpaceInfo;
  int16_t colorComponents[4];
  void* reserved;
  union {
    Str255* pickerPrompt;
    Point* globalSamplePoint;
    int32_t specialColorID;
  } selectorParameter;
};

typedef OSErr (*ColorServicesProc)(ColorServicesInfo* info);

struct PlatformData {
  intptr_t hwnd;
};

// Suites the plug-in never calls; declared opaque so the record keeps its shape.
struct ResourceProcs;
struct ImageServicesProcs;
struct PropertyProcs;
struct ChannelPortProcs;
struct ReadImageDocumentDesc;
struct SPBasicSuite;

// The record and BigDocumentStruct are 4-byte packed on Windows, 64-bit included, so the
// pointers of the 64-bit record sit on 4-byte boundaries. We use the same packing on every
// platform: the Linux reference host and plug-in then share the 64-bit Windows layout.
#pragma pack(push, 4)

struct BigDocumentStruct {
  int32_t PluginUsing32BitCoordinates;
  VPoint imageSize32;
  VRect filterRect32;
  VRect inRect32;
  VRect outRect32;
  VRect maskRect32;
  VPoint floatCoord32;
  VPoint wholeSize32;
};

struct FilterRecord {
  int32_t serialNumber;
  TestAbortProc abortProc;
  ProgressProc progressProc;
  Handle parameters;
  Point imageSize;
  int16_t planes;
  Rect filterRect;
  PSRGBColor background;
  PSRGBColor foreground;
  int32_t maxSpace;
  int32_t bufferSpace;
  Rect inRect;
  int16_t inLoPlane;
  int16_t inHiPlane;
  Rect outRect;
  int16_t outLoPlane;
  int16_t outHiPlane;
  void* inData;
  int32_t inRowBytes;
  void* outData;
  int32_t outRowBytes;
  PiBoolean isFloating;
  PiBoolean haveMask;
  PiBoolean autoMask;
  Rect maskRect;
  void* maskData;
  int32_t maskRowBytes;
  FilterColor backColor;
  FilterColor foreColor;
  OSType hostSig;
  HostProc hostProc;
  int16_t imageMode;
  Fixed imageHRes;
  Fixed imageVRes;
  Point floatCoord;
  Point wholeSize;
  PlugInMonitor monitor;
  void* platformData;
  BufferProcs* bufferProcs;
  ResourceProcs* resourceProcs;
  ProcessEventProc processEvent;
  DisplayPixelsProc displayPixels;
  HandleProcs* handleProcs;
  PiBoolean supportsDummyChannels;
  PiBoolean supportsAlternateLayouts;
  int16_t wantLayout;
  int16_t filterCase;
  int16_t dummyPlaneValue;
  void* premiereHook;
  AdvanceStateProc advanceState;
  PiBoolean supportsAbsolute;
  PiBoolean wantsAbsolute;
  GetPropertyProc getPropertyObsolete;
  PiBoolean cannotUndo;
  PiBoolean supportsPadding;
  int16_t inputPadding;
  int16_t outputPadding;
  int16_t maskPadding;
  char samplingSupport;
  char reservedByte;
  Fixed inputRate;
  Fixed maskRate;
  ColorServicesProc colorServices;
  int16_t inLayerPlanes;
  int16_t inTransparencyMask;
  int16_t inLayerMasks;
  int16_t inInvertedLayerMasks;
  int16_t inNonLayerPlanes;
  int16_t outLayerPlanes;
  int16_t outTransparencyMask;
  int16_t outLayerMasks;
  int16_t outInvertedLayerMasks;
  int16_t outNonLayerPlanes;
  int16_t absLayerPlanes;
  int16_t absTransparencyMask;
  int16_t absLayerMasks;
  int16_t absInvertedLayerMasks;
  int16_t absNonLayerPlanes;
  int16_t inPreDummyPlanes;
  int16_t inPostDummyPlanes;
  int16_t outPreDummyPlanes;
  int16_t outPostDummyPlanes;
  int32_t inColumnBytes;
  int32_t inPlaneBytes;
  int32_t outColumnBytes;
  int32_t outPlaneBytes;
  ImageServicesProcs* imageServicesProcs;
  PropertyProcs* propertyProcs;
  int16_t inTileHeight;
  int16_t inTileWidth;
  Point inTileOrigin;
  int16_t absTileHeight;
  int16_t absTileWidth;
  Point absTileOrigin;
  int16_t outTileHeight;
  int16_t outTileWidth;
  Point outTileOrigin;
  int16_t maskTileHeight;
  int16_t maskTileWidth;
  Point maskTileOrigin;
  PIDescriptorParameters* descriptorParameters;
  Str255* errorString;
  ChannelPortProcs* channelPortProcs;
  ReadImageDocumentDesc* documentInfo;
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  int32_t depth;
  Handle iCCprofileData;
  int32_t iCCprofileSize;
  int32_t canUseICCProfiles;
  int32_t hasImageScrap;
  BigDocumentStruct* bigDocumentData;
  PIDescriptorParameters* input3DScene;
  PIDescriptorParameters* output3DScene;
  PiBoolean createNewLayer;
  Handle iCCWorkingProfileData;
  int32_t iCCWorkingProfileSize;
  int64_t bufferSpace64;
  int64_t maxSpace64;
  PiBoolean allowOverrangeColors;
  char reserved[45];
};

#pragma pack(pop)

}  // extern "C"

// Selectors of the filter protocol.
enum : int16_t {
  filterSelectorAbout = 0,
  filterSelectorParameters = 1,
  filterSelectorPrepare = 2,
  filterSelectorStart = 3,
  filterSelectorContinue = 4,
  filterSelectorFinish = 5,
};

// Result codes.
enum : int16_t {
  noErr = 0,
  userCanceledErr = -128,
  paramErr = -50,
  memFullErr = -108,
  nilHandleErr = -109,
  eofErr = -39,
  filterBadParameters = -30100,
  filterBadMode = -30101,
};

// Image modes (imageMode).
enum : int16_t {
  plugInModeBitmap = 0,
  plugInModeGrayScale = 1,
  plugInModeIndexedColor = 2,
  plugInModeRGBColor = 3,
  plugInModeCMYKColor = 4,
  plugInModeHSLColor = 5,
  plugInModeHSBColor = 6,
  plugInModeMultichannel = 7,
  plugInModeDuotone = 8,
  plugInModeLabColor = 9,
  plugInModeGray16 = 10,
  plugInModeRGB48 = 11,
  plugInModeLab48 = 12,
  plugInModeCMYK64 = 13,
  plugInModeDeepMultichannel = 14,
};

// Scripting dialog options (PIDescriptorParameters playInfo / recordInfo).
enum : int16_t {
  plugInDialogDontDisplay = 0,
  plugInDialogDisplay = 1,
  plugInDialogSilent = 2,
};
enum : int16_t {
  plugInDialogOptional = 0,
  plugInDialogRequired = 1,
  plugInDialogNone = 2,
};

// Colour services.
enum : int16_t {
  plugIncolorServicesChooseColor = 0,
  plugIncolorServicesRGBSpace = 0,
  plugIncolorServicesGraySpace = 4,
};

// Suite versions and routine counts this plug-in relies on.
constexpr int16_t kBufferProcsVersion = 2;
constexpr int16_t kBufferProcsMinCount = 5;
constexpr int16_t kHandleProcsVersion = 1;
constexpr int16_t kHandleProcsMinCount = 7;
constexpr int16_t kDescriptorParametersVersion = 0;
constexpr int16_t kReadDescriptorProcsVersion = 0;
constexpr int16_t kReadDescriptorProcsCount = 18;
constexpr int16_t kWriteDescriptorProcsVersion = 0;
constexpr int16_t kWriteDescriptorProcsCount = 16;

// Descriptor type codes.
constexpr DescriptorTypeID typeFloat = 0x646F7562;    // 'doub'
constexpr DescriptorTypeID typeInteger = 0x6C6F6E67;  // 'long'
constexpr DescriptorTypeID typeBoolean = 0x626F6F6C;  // 'bool'
constexpr DescriptorTypeID typeNull = 0x6E756C6C;     // 'null'

// Four-character code with the first character in the most significant byte.
constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}
