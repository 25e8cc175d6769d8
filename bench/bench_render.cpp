// Rendering engine throughput on a site of 1,000,000 triangles in 10,000
// nodes, at full-HD size, against the bare cost of replaying the same
// triangles from one display list: the limit of the software renderer.
//
// The software renderer rasterises on worker threads, so the drawing cases
// count the CPU time of the whole process; wall time on a busy machine says
// more about the neighbours than about the engine.
#include <benchmark/benchmark.h>

#include <vector>

#include "headless_engine.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kGrid = 100;         // 100 × 100 nodes
constexpr int kQuadsX = 10;        // 10 × 5 quads of 1 × 2, 100 triangles per node
constexpr int kQuadsY = 5;

// The faces of one node: a gently bent patch of quads filling its 10 × 10
// cell of the grid, so that every face has its own normal.
std::vector<GMPolygon> NodeFaces(int gx, int gy) {
  std::vector<GMPolygon> faces;
  faces.reserve(kQuadsX * kQuadsY);
  const double x0 = gx * 10.0;
  const double y0 = gy * 10.0;
  auto height = [&](int i, int j) { return 0.3 * ((i * 7 + j * 3 + gx + gy) % 5); };
  for (int j = 0; j < kQuadsY; ++j)
    for (int i = 0; i < kQuadsX; ++i) {
      GMPolygon quad;
      quad.points = {{x0 + i, y0 + 2 * j, height(i, j)},
                     {x0 + i + 1, y0 + 2 * j, height(i + 1, j)},
                     {x0 + i + 1, y0 + 2 * j + 2, height(i + 1, j + 1)},
                     {x0 + i, y0 + 2 * j + 2, height(i, j + 1)}};
      faces.push_back(std::move(quad));
    }
  return faces;
}

struct Site {
  std::vector<std::vector<GMPolygon>> nodes;
  Site() {
    nodes.reserve(kGrid * kGrid);
    for (int gy = 0; gy < kGrid; ++gy)
      for (int gx = 0; gx < kGrid; ++gx) nodes.push_back(NodeFaces(gx, gy));
  }
};

const Site& TheSite() {
  static const Site site;
  return site;
}

void BuildTree(CStereon& engine) {
  engine.MakeCurrent();
  COGLDispTree* root = engine.GetDispTree();
  root->RemoveAll();
  const Site& site = TheSite();
  for (size_t n = 0; n < site.nodes.size(); ++n) korvex_bench::AddBuilding(*root, n, site.nodes[n]);
}

void LookAtSite(CStereon& engine) {
  engine.SetCamera({500.0, -350.0, 700.0}, {500.0, 480.0, 0.0}, {0.0, 0.0, 1.0});
  engine.SetLightAmbient(0xFF808080u);
  engine.SetLightDiffuse(0xFFFFFFFFu);
  engine.SetLightSpecular(0xFFFFFFFFu);
  engine.SetLightDirection(0.3, -0.4, 1.0);
}

// One engine on a full-HD window, with the site built, shared by the cases.
struct Fixture {
  korvex_bench::HeadlessEngine headless;
  CStereon* engine = nullptr;
  bool ok = false;
  Fixture() {
    if (!headless.Open(kWidth, kHeight)) return;
    engine = headless.engine.get();
    LookAtSite(*engine);
    BuildTree(*engine);
    ok = true;
  }
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

void BM_BuildDisplayTree(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.ok) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  for (auto _ : state) BuildTree(*f.engine);
  state.counters["triangles"] = f.engine->GetPickCapacity();
}
BENCHMARK(BM_BuildDisplayTree)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_RenderFrame(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.ok) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  f.engine->Render(frame::kViewDefault);  // warm the driver's caches
  for (auto _ : state) f.engine->Render(frame::kViewDefault);
}
BENCHMARK(BM_RenderFrame)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

void BM_Pick(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.ok) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  f.engine->Render(frame::kViewDefault);
  int hit = -1;
  for (auto _ : state) hit = f.engine->Pick(frame::kViewDefault, kWidth / 2, kHeight / 2, 3);
  if (hit < 0) state.SkipWithError("the pick hit nothing");
  state.counters["name"] = hit;
}
BENCHMARK(BM_Pick)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

constexpr int kQuadTriangles[2][3] = {{0, 1, 2}, {0, 2, 3}};

// The same triangles, already in place, from one display list with one
// material and one light: what the renderer costs with no engine around it.
void BM_RawReplay(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.ok) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  CStereon& engine = *f.engine;
  engine.MakeCurrent();
  const GLuint list = korvex_bench::BeginGreyList();
  glBegin(GL_TRIANGLES);
  for (const auto& node : TheSite().nodes)
    for (const GMPolygon& q : node)
      for (const auto& t : kQuadTriangles) {
        const GMVector& a = q[t[0]];
        const GMVector& b = q[t[1]];
        const GMVector& c = q[t[2]];
        const GMVector u{b.x - a.x, b.y - a.y, b.z - a.z};
        const GMVector v{c.x - a.x, c.y - a.y, c.z - a.z};
        glNormal3d(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
        glVertex3d(a.x, a.y, a.z);
        glVertex3d(b.x, b.y, b.z);
        glVertex3d(c.x, c.y, c.z);
      }
  glEnd();
  glEndList();

  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  engine.SetProjection(0, StereonRect{0, 0, kWidth, kHeight});
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  engine.ApplyLookAt();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_NORMALIZE);
  const GLfloat sun[4] = {0.3f, -0.4f, 1.0f, 0.0f};
  glLightfv(GL_LIGHT0, GL_POSITION, sun);
  auto replay = [&] {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glCallList(list);
    glFinish();
  };
  replay();
  for (auto _ : state) replay();
  glDisable(GL_NORMALIZE);
  glDeleteLists(list, 1);
}
BENCHMARK(BM_RawReplay)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

}  // namespace
