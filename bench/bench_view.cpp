// The view core, headless: from opening the model to the first picture, fit
// all, and one orbit step with its frame, on a generated site of 10,000 blocks
// and on the 1,000,000-triangle terrain OBJ; opening the generated city of
// 2,000,000 triangles at full-HD size, and its frame beside the raw replay of
// the same triangles from one display list. The OBJ comes in through the
// Assimp OBJ plug-in, which the view finds in "FilePlugin" beside this
// program (the build puts both in bin/).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "city_obj.h"
#include "common/user_interface.h"
#include "formats/ModelLoader.h"
#include "headless_engine.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "open_view.h"
#include "render/Stereon.h"
#include "render/gl_api.h"
#include "site_blocks.h"
#include "terrain_obj.h"
#include "view/StereonView.h"

namespace {
namespace fs = std::filesystem;


const fs::path& Site() { return korvex_bench::BlockSite(); }

using korvex_bench::OpenView;

// One drag step of the orbit and the frame it asks for, each iteration.
void OrbitSteps(OpenView& open, benchmark::State& state) {
  int x = 500;
  for (auto _ : state) {
    open.view->OnLeftDown(x, 300);
    x = x == 500 ? 510 : 500;
    open.view->OnMouseMove(x, 300);
    open.view->OnLeftUp(x, 300);
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}

// Opens the terrain, or says why it could not.
bool OpenTerrain(OpenView& open, benchmark::State& state) {
  if (!open.Open(1024, 768, korvex_bench::TerrainObj())) {
    state.SkipWithError("no headless OpenGL context");
    return false;
  }
  if (open.view->StartupResult() != korvex::ModelLoadResult::kLoaded) {
    state.SkipWithError("the terrain did not load: is the OBJ plug-in in FilePlugin beside this program?");
    return false;
  }
  return true;
}

void BM_View_OpenToFirstPicture_10000Blocks(benchmark::State& state) {
  Site();
  for (auto _ : state) {
    OpenView open;
    if (!open.Open(1024, 768, Site())) {
      state.SkipWithError("no headless OpenGL context");
      return;
    }
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_View_OpenToFirstPicture_10000Blocks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_View_FitAll_10000Blocks(benchmark::State& state) {
  OpenView open;
  if (!open.Open(1024, 768, Site())) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  for (auto _ : state) open.view->FitAll();
}
BENCHMARK(BM_View_FitAll_10000Blocks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_View_OrbitStepAndFrame_10000Blocks(benchmark::State& state) {
  OpenView open;
  if (!open.Open(1024, 768, Site())) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  OrbitSteps(open, state);
}
BENCHMARK(BM_View_OrbitStepAndFrame_10000Blocks)->Unit(benchmark::kMillisecond)->UseRealTime();

// The clean-up after a load, on the 10,000 blocks with one more object of
// 100,000 triangles in which 1,000 have a stray corner at 1e9 (an export
// that put a few points of every building at a wrong origin).
void BM_View_CleanUp_100000TrianglesWith1000StrayCorners(benchmark::State& state) {
  OpenView open;
  if (!open.Open(1024, 768, Site())) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  CInkNode* root = open.view->Scene()->GetRoot();
  for (auto _ : state) {
    state.PauseTiming();
    auto* node = new CInkNode;
    node->Create(nullptr);
    root->AddChild(node);
    for (int k = 0; k < 100000; ++k) {
      const double x = 0.01 * (k % 1000), y = 0.01 * (k / 1000);
      const GMVector corners[3] = {{x, y, 0}, {x + 0.01, y, 0}, {x, y + 0.01, k % 100 == 50 ? 1e9 : 1.0}};
      InkPolyDescription triangle(corners);
      node->AddPolygonFigure(triangle.Get(), 0);
    }
    state.ResumeTiming();
    open.view->RemoveInvalidFigures();
    state.PauseTiming();
    if (node->GetFigureCount() != 99000) state.SkipWithError("the clean-up kept a stray corner or lost a figure");
    root->RemoveAt(root->GetCount() - 1);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_View_CleanUp_100000TrianglesWith1000StrayCorners)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_View_OpenToFirstPicture_TerrainObj1MTriangles(benchmark::State& state) {
  korvex_bench::TerrainObj();
  for (auto _ : state) {
    OpenView open;
    if (!OpenTerrain(open, state)) return;
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_View_OpenToFirstPicture_TerrainObj1MTriangles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void BM_View_FitAll_TerrainObj1MTriangles(benchmark::State& state) {
  OpenView open;
  if (!OpenTerrain(open, state)) return;
  for (auto _ : state) open.view->FitAll();
}
BENCHMARK(BM_View_FitAll_TerrainObj1MTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_View_OrbitStepAndFrame_TerrainObj1MTriangles(benchmark::State& state) {
  OpenView open;
  if (!OpenTerrain(open, state)) return;
  OrbitSteps(open, state);
}
BENCHMARK(BM_View_OrbitStepAndFrame_TerrainObj1MTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- the city of 2,000,000 triangles ------------------------------------------

const korvex_bench::CityObjFile& City() {
  static const korvex_bench::CityObjFile city(korvex_bench::kCityBuildings, korvex_bench::kCityBuildings);
  return city;
}

// Opens the city as korvex-cli render does (full HD, perspective), or says
// why it could not.
bool OpenCity(OpenView& open, benchmark::State& state) {
  if (!City().Ok()) {
    state.SkipWithError("the city could not be written to the temporary folder");
    return false;
  }
  open.launch.perspective = true;
  if (!open.Open(1920, 1080, City().Path())) {
    state.SkipWithError("no headless OpenGL context");
    return false;
  }
  if (open.view->StartupResult() != korvex::ModelLoadResult::kLoaded) {
    const std::string why = korvex::LoadFailureText(open.view->StartupResult(), *open.view->Scene());
    state.SkipWithError(("the city did not load (is the OBJ plug-in in FilePlugin beside this program?): " + why).c_str());
    return false;
  }
  return true;
}

void BM_View_OpenToFirstPicture_City2MTriangles(benchmark::State& state) {
  City();
  for (auto _ : state) {
    OpenView open;
    if (!OpenCity(open, state)) return;
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_View_OpenToFirstPicture_City2MTriangles)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->MeasureProcessCPUTime();

// The software renderer draws on worker threads: the frames count the CPU
// time of the whole process.
void BM_View_Frame_City2MTriangles(benchmark::State& state) {
  OpenView open;
  if (!OpenCity(open, state)) return;
  open.view->PaintImage();
  for (auto _ : state) {
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_View_Frame_City2MTriangles)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

// The same city written with one OBJ object per building: 166,667 nodes of
// 12 triangles each, as districts exported building by building arrive.
const korvex_bench::CityObjFile& CityOfObjects() {
  static const korvex_bench::CityObjFile city(korvex_bench::kCityBuildings, 1);
  return city;
}

bool OpenCityOfObjects(OpenView& open, benchmark::State& state) {
  if (!CityOfObjects().Ok()) {
    state.SkipWithError("the city could not be written to the temporary folder");
    return false;
  }
  open.launch.perspective = true;
  if (!open.Open(1920, 1080, CityOfObjects().Path()) ||
      open.view->StartupResult() != korvex::ModelLoadResult::kLoaded) {
    state.SkipWithError("the city of one object per building did not open");
    return false;
  }
  return true;
}

void BM_View_OpenToFirstPicture_City2MTrianglesObjectPerBuilding(benchmark::State& state) {
  CityOfObjects();
  for (auto _ : state) {
    OpenView open;
    if (!OpenCityOfObjects(open, state)) return;
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_View_OpenToFirstPicture_City2MTrianglesObjectPerBuilding)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime();

void BM_View_Frame_City2MTrianglesObjectPerBuilding(benchmark::State& state) {
  OpenView open;
  if (!OpenCityOfObjects(open, state)) return;
  open.view->PaintImage();
  for (auto _ : state) {
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_View_Frame_City2MTrianglesObjectPerBuilding)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->MeasureProcessCPUTime();

void AppendMeshTriangles(CInkNode& node, const GMVector& origin) {
  for (int f = 0; f < node.GetFigureCount(); ++f) {
    const InkFigure* figure = node.GetFigure(f);
    if (!figure || figure->kind != kInkFigureMesh || !figure->geometry) continue;
    const auto& mesh = *static_cast<const GMMesh*>(figure->geometry);
    for (const GMMeshFace& face : mesh.Faces()) {
      if (face.count != 3) continue;
      const GMVector &a = mesh.Position(face.indices[0]), &b = mesh.Position(face.indices[1]),
                     &c = mesh.Position(face.indices[2]);
      const GMVector u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
      glNormal3d(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
      for (const GMVector* p : {&a, &b, &c}) glVertex3d(p->x - origin.x, p->y - origin.y, p->z - origin.z);
    }
  }
  for (int i = 0; i < node.GetCount(); ++i) AppendMeshTriangles(*node.GetChild(i), origin);
}

void AppendMeshEdges(CInkNode& node) {
  for (int f = 0; f < node.GetFigureCount(); ++f) {
    const InkFigure* figure = node.GetFigure(f);
    if (!figure || figure->kind != kInkFigureMesh || !figure->geometry) continue;
    const auto& mesh = *static_cast<const GMMesh*>(figure->geometry);
    for (const GMMeshEdge& e : mesh.Edges()) {
      if (e.first < 0 || e.second < 0 || e.first >= mesh.vertexCount || e.second >= mesh.vertexCount) continue;
      for (const int32_t i : {e.first, e.second}) {
        const GMVector& p = mesh.Position(i);
        glVertex3d(p.x, p.y, p.z);
      }
    }
  }
  for (int i = 0; i < node.GetCount(); ++i) AppendMeshEdges(*node.GetChild(i));
}

// The same triangles, already in place, from one display list with one
// material and one light, under the view's own camera and with the same
// read-back of the picture: what the renderer costs with no engine around it.
// The frame draws the buildings' edges as well; /1 replays those too.
// (The city's nodes are unplaced below the turn from Y up, which the list
// bakes in by drawing under the root's placement.)
void BM_View_RawReplay_City2MTriangles(benchmark::State& state) {
  OpenView open;
  if (!OpenCity(open, state)) return;
  open.view->PaintImage();
  CStereon& engine = *open.view->Engine();
  CInkNode* root = open.view->Scene()->GetRoot();
  if (!engine.MakeCurrent() || !root || root->GetCount() != 1) {
    state.SkipWithError("the city is not one placed tree");
    return;
  }
  CInkNode& top = *root->GetChild(0);
  GMMatrix placement;
  top.GetLocalMatrix(placement);
  const GLuint list = korvex_bench::BeginGreyList();
  glBegin(GL_TRIANGLES);
  AppendMeshTriangles(top, GMVector{});
  glEnd();
  // With the argument 1, the buildings' edges too, lit and black as the
  // view draws its outlines: the same primitives as the view's frame.
  if (state.range(0) != 0) {
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, black);
    glBegin(GL_LINES);
    AppendMeshEdges(top);
    glEnd();
  }
  glEndList();

  const StereonRect rect{0, 0, 1920, 1080};
  auto replay = [&] {
    engine.MakeCurrent();
    glViewport(0, 0, 1920, 1080);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    engine.SetProjection(0, rect);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    engine.ApplyLookAt();
    const GMVector o = engine.LocalOrigin();
    glTranslated(-o.x, -o.y, -o.z);
    double m[16];
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) m[r * 4 + c] = placement.m[r][c];
    glMultMatrixd(m);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    const GLfloat sun[4] = {0.3f, -0.4f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    glCallList(list);
    std::vector<unsigned char> pixels(size_t{1920} * 1080 * 4);
    glReadPixels(0, 0, 1920, 1080, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    benchmark::DoNotOptimize(pixels.data());
  };
  replay();
  for (auto _ : state) replay();
  glDisable(GL_NORMALIZE);
  glDeleteLists(list, 1);
}
BENCHMARK(BM_View_RawReplay_City2MTriangles)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->MeasureProcessCPUTime();

}  // namespace
