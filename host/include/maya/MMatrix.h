#pragma once
// A 4 x 4 transformation matrix of doubles, row-major, applied to row vectors
// (p' = p * M), so a parent's matrix multiplies on the right.

class MMatrix {
public:
    MMatrix();
    MMatrix(const double m[4][4]);

    double operator()(unsigned int row, unsigned int col) const { return matrix[row][col]; }
    double& operator()(unsigned int row, unsigned int col) { return matrix[row][col]; }
    const double* operator[](unsigned int row) const { return matrix[row]; }
    double* operator[](unsigned int row) { return matrix[row]; }

    MMatrix operator*(const MMatrix& right) const;
    MMatrix& operator*=(const MMatrix& right) { return *this = *this * right; }
    bool operator==(const MMatrix& other) const;
    bool operator!=(const MMatrix& other) const { return !(*this == other); }

    MMatrix transpose() const;
    MMatrix inverse() const;  // the identity when the matrix is singular
    double det4x4() const;
    MMatrix& setToIdentity();
    bool isEquivalent(const MMatrix& other, double tolerance = 1.0e-10) const;

    static const MMatrix identity;

    double matrix[4][4];
};
