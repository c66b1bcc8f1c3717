#include "tools/vst2-render/Platform.h"
#include "tools/vst2-render/RenderApp.h"

int main(int argc, char** argv) {
  return vrender::RunRenderApp(vrender::GetUtf8Arguments(argc, argv));
}
