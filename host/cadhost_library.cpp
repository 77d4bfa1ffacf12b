// libcadhost: the CAD host, MFC and Windows stand-ins that modules link against.
// The areas contribute their objects; this unit only anchors the library.
namespace cadhost {
extern const char kLibraryName[] = "cadhost";
}  // namespace cadhost
