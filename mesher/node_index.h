// Ordered indexes over node coordinates: equality lookup and nearest used node.
#pragma once

#include <functional>
#include <map>
#include <vector>

// Finds, among the points inserted so far, the smallest point number whose three coordinates
// each satisfy coord_equal with the query: the same answer as a linear scan in creation order,
// in about logarithmic time. Points are keyed by their exact float coordinates, x then y then
// z; a query visits only the keys inside a range that contains every possible match.
class node_index
{
  public:
    void clear() { by_x.clear(); }
    // number must exceed every number inserted before (creation order).
    void insert(float x, float y, float z, int number);
    // -1 when no point matches.
    int find(float x, float y, float z) const;

  private:
    using z_map = std::map<float, int, std::less<>>;
    using y_map = std::map<float, z_map, std::less<>>;
    std::map<float, y_map, std::less<>> by_x;
};

// Nearest point of a fixed set (Euclidean distance in single precision, smallest number among
// equal distances, nothing at or beyond 1e10): a k-d tree whose pruning is conservative, so it
// returns what the scan "if (d < best) take it" over the set in number order returns.
class nearest_index
{
  public:
    // members: numbers of the points in coords (3 floats each) that can be returned.
    void build(const float *coords, const std::vector<int> &members);
    // -1 when the set is empty or every point is at distance >= 1e10.
    int nearest(float x, float y, float z) const;

  private:
    struct tree_node {
        float lo[3], hi[3]; // bounding box of the subtree's points
        int begin, end;     // range of order[] held by the subtree
        int left, right;    // children, -1 for a leaf
    };
    int build_node(int begin, int end);
    void search(int node, const float q[3], float &best, int &best_number) const;

    const float *coords_ = nullptr;
    std::vector<int> order;
    std::vector<tree_node> nodes;
};

// Distance used by the nearest-node search (single precision, as in the scan it replaces).
float node_distance(const float *a, float x, float y, float z);
