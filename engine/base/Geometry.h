#pragma once

class CXArray;

// Integer geometry passed by value. Rectangles exclude their right and
// bottom edges.

inline int absolute(int value) { return value < 0 ? -value : value; }

struct CXSize {
    int cx, cy;
    CXSize() : cx(0), cy(0) {}
    explicit CXSize(int both) : cx(both), cy(both) {}
    CXSize(int x, int y) : cx(x), cy(y) {}
    int mul() const { return cx * cy; }
    int Sum() const { return cx + cy; }
    int AbsSum() const { return absolute(cx) + absolute(cy); }
};

struct CXPoint {
    int x, y;
    CXPoint() : x(0), y(0) {}
    CXPoint(int px, int py) : x(px), y(py) {}
    CXPoint operator+(int d) const { return CXPoint(x + d, y + d); }
    CXPoint operator-(int d) const { return CXPoint(x - d, y - d); }
    CXPoint operator+(const CXPoint& p) const { return CXPoint(x + p.x, y + p.y); }
    CXPoint operator-(const CXPoint& p) const { return CXPoint(x - p.x, y - p.y); }
    bool operator==(const CXPoint& p) const { return x == p.x && y == p.y; }
    bool operator!=(const CXPoint& p) const { return !(*this == p); }
};

// What a rectangle needs of a drawable to centre it: its size in pixels.
// The graphics drawable implements it.
class CSizedDrawable {
public:
    virtual int Width() = 0;
    virtual int Height() = 0;

protected:
    ~CSizedDrawable() = default;
};

class CXRect {
public:
    int left, top, right, bottom;

    CXRect() : left(0), top(0), right(0), bottom(0) {}
    explicit CXRect(int v) : left(v), top(v), right(v), bottom(v) {}
    CXRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    CXRect(const CXRect&) = default;
    explicit CXRect(const CXRect* other)
        : left(other ? other->left : 0), top(other ? other->top : 0),
          right(other ? other->right : 0), bottom(other ? other->bottom : 0)
    {
    }
    CXRect& operator=(const CXRect&) = default;
    virtual ~CXRect() {}

    void Empty() { left = top = right = bottom = 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right == left || bottom == top; }
    CXPoint CenterPoint() const { return CXPoint(left + (right - left) / 2, top + (bottom - top) / 2); }
    CXPoint LeftTop() const { return CXPoint(left, top); }
    CXPoint RightTop() const { return CXPoint(right, top); }
    CXPoint LeftBottom() const { return CXPoint(left, bottom); }
    CXPoint BottomRight() const { return CXPoint(right, bottom); }
    bool IsInRect(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool IsInRect(const CXPoint& p) const { return IsInRect(p.x, p.y); }
    bool operator==(const CXRect& r) const
    {
        return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
    }
    bool operator!=(const CXRect& r) const { return !(*this == r); }
    CXRect& operator+=(const CXPoint& p)
    {
        left += p.x;
        right += p.x;
        top += p.y;
        bottom += p.y;
        return *this;
    }
    CXRect& operator-=(const CXPoint& p)
    {
        left -= p.x;
        right -= p.x;
        top -= p.y;
        bottom -= p.y;
        return *this;
    }
    CXRect operator+(const CXPoint& p) const { CXRect r(*this); r += p; return r; }
    CXRect operator-(const CXPoint& p) const { CXRect r(*this); r -= p; return r; }
    CXRect& operator+=(const CXSize&) { return *this; } // has no effect, as in the engine
    CXRect& Explode(int d) { return Explode(d, d); }
    CXRect& Explode(int dx, int dy)
    {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
        return *this;
    }
    CXRect& Explode(const CXSize& s) { return Explode(s.cx, s.cy); }
    CXRect& Sum(const CXRect& r)
    {
        if (r.left < left) left = r.left;
        if (r.top < top) top = r.top;
        if (r.right > right) right = r.right;
        if (r.bottom > bottom) bottom = r.bottom;
        return *this;
    }
    void Common(const CXRect& r, CXRect* out) const
    {
        out->left = left > r.left ? left : r.left;
        out->top = top > r.top ? top : r.top;
        out->right = right < r.right ? right : r.right;
        out->bottom = bottom < r.bottom ? bottom : r.bottom;
    }
    CXRect Common(const CXRect& r) const
    {
        CXRect c;
        Common(r, &c);
        if (c.left > c.right || c.top > c.bottom)
            return CXRect();
        return c;
    }
    bool IsPartOf(const CXRect& r) const
    {
        return r.left <= left && r.top <= top && r.right >= right && r.bottom >= bottom;
    }
    bool isInside(const CXRect& r) const { return IsPartOf(r); }

    // Top-left corner at which g is centred in this rectangle; a null
    // drawable counts as size zero.
    CXPoint GetCenteredPosition(CSizedDrawable* g) const;
    // Appends a new rectangle with these edges to list when it has an area;
    // the list's owner deletes the rectangles.
    static void addRect(CXArray* list, int left, int top, int right, int bottom);
    // A new list of at most four disjoint rectangles covering this one minus r.
    CXArray* sub(const CXRect& r) const;
};
