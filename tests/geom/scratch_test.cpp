// Scratch vertices: handed back once a ring is done with, taken again for
// the next, so that a command makes a few rings' worth in all.
#include "geom_test_util.h"

namespace {

class Scratch : public GeomTest {
protected:
    void TearDown() override
    {
        kvx_scratch_release(&scratch_);
        GeomTest::TearDown();
    }
    KvxScratch scratch_ = KVX_SCRATCH_INIT;
};

TEST_F(Scratch, VertexHandedBackLastIsTakenFirst)
{
    List *done = NULL;
    list_add_item(&done, new_vertex_set(1, 2, 3));
    list_add_item(&done, new_vertex_set(4, 5, 6));
    const std::vector<Vertex *> given = vertices_of(done);
    kvx_scratch_give(&scratch_, &done);
    EXPECT_EQ(done, nullptr);

    long made = zirka_free_vertex_count();
    Vertex *a = kvx_vertex_new(&scratch_, -1, -0.0f, 0x1p-149f);
    Vertex *b = kvx_vertex_new(&scratch_, 7, 8, 9);
    Vertex *c = kvx_vertex_new(&scratch_, 0, 0, 0);
    EXPECT_EQ(a, given[1]);
    EXPECT_EQ(b, given[0]);
    EXPECT_EQ(zirka_free_vertex_count(), made + 1) << "only the third is new";
    // A reused vertex is set as a new one would be, bit for bit.
    EXPECT_EQ(*zirka_head_vertex_pos(a), (Pos3{-1, -0.0f, 0x1p-149f}));
    EXPECT_EQ(*zirka_head_vertex_pos(b), (Pos3{7, 8, 9}));
    EXPECT_EQ(*zirka_head_vertex_pos(c), (Pos3{0, 0, 0}));
}

TEST_F(Scratch, WithoutASupplyEveryVertexIsNew)
{
    VertexList *square = ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    long made = zirka_free_vertex_count();
    const Pos3 up = {0, 0, 1};
    VertexList *moved = kvx_vtx_list_translate(square, &up, NULL);
    EXPECT_EQ(zirka_free_vertex_count(), made + 4);
    kvx_scratch_give(NULL, &moved); // releases the nodes only
    EXPECT_EQ(moved, nullptr);
    EXPECT_EQ(vertices_of(square).size(), 4u);
}

TEST_F(Scratch, ASweepOfRingsMakesTwoRingsWorth)
{
    // Each step makes the next ring from the last and hands the last back:
    // after the first two rings nothing more is made, however many follow.
    const Pos3 step = {1, 0, 0};
    VertexList *last = ring({{0, 0, 0}, {0, 1, 0}, {0, 1, 1}});
    VertexList *next = kvx_vtx_list_copy(last, &scratch_);
    long made = zirka_free_vertex_count();
    for (int k = 0; k < 100; k++) {
        VertexList *moved = kvx_vtx_list_translate(next, &step, &scratch_);
        kvx_scratch_give(&scratch_, &next);
        next = moved;
    }
    EXPECT_EQ(zirka_free_vertex_count(), made + 3);
    EXPECT_EQ(positions_of(next), (std::vector<Pos3>{{100, 0, 0}, {100, 1, 0}, {100, 1, 1}}));
    keep(next);
    // The first ring was never handed back, and was never written.
    EXPECT_EQ(positions_of(last), (std::vector<Pos3>{{0, 0, 0}, {0, 1, 0}, {0, 1, 1}}));
}

TEST_F(Scratch, NewRingsNeverHoldTheirInputsVertices)
{
    // Vertices handed back are reused only for rings made after that; the
    // rings being read are never handed back while in use.
    const Pos3 centre = {0, 0, 0}, axis = {0, 0, 1};
    VertexList *spare = kvx_vtx_list_copy(ring({{5, 5, 5}, {6, 6, 6}}), NULL);
    kvx_scratch_give(&scratch_, &spare);
    VertexList *input = ring({{1, 0, 0}, {0, 1, 0}});
    VertexList *turned = keep(kvx_vtx_list_scale_rotate(input, &centre, &axis, 0.0, 1.0, &scratch_));
    EXPECT_TRUE(shares_no_vertex(input, turned));
    EXPECT_EQ(positions_of(turned), (std::vector<Pos3>{{0, 1, 0}, {-1, 0, 0}}));
}

} // namespace
