#include <maya/MMatrix.h>

#include <cmath>
#include <utility>

const MMatrix MMatrix::identity;

MMatrix::MMatrix() {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            matrix[i][j] = i == j ? 1.0 : 0.0;
}

MMatrix::MMatrix(const double m[4][4]) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            matrix[i][j] = m[i][j];
}

MMatrix MMatrix::operator*(const MMatrix& right) const {
    MMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += matrix[i][k] * right.matrix[k][j];
            r.matrix[i][j] = sum;
        }
    return r;
}

bool MMatrix::operator==(const MMatrix& other) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (matrix[i][j] != other.matrix[i][j])
                return false;
    return true;
}

MMatrix MMatrix::transpose() const {
    MMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.matrix[i][j] = matrix[j][i];
    return r;
}

// Gauss-Jordan elimination with partial pivoting.
MMatrix MMatrix::inverse() const {
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            a[i][j] = matrix[i][j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (std::fabs(a[pivot][col]) < 1e-300)
            return MMatrix();
        for (int j = 0; j < 8; ++j)
            std::swap(a[col][j], a[pivot][j]);
        double p = a[col][col];
        for (int j = 0; j < 8; ++j)
            a[col][j] /= p;
        for (int r = 0; r < 4; ++r) {
            if (r == col)
                continue;
            double f = a[r][col];
            for (int j = 0; j < 8; ++j)
                a[r][j] -= f * a[col][j];
        }
    }
    MMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.matrix[i][j] = a[i][j + 4];
    return r;
}

static double det3(const double m[4][4], int skipRow, int skipCol) {
    double s[3][3];
    for (int i = 0, si = 0; i < 4; ++i) {
        if (i == skipRow)
            continue;
        for (int j = 0, sj = 0; j < 4; ++j) {
            if (j == skipCol)
                continue;
            s[si][sj++] = m[i][j];
        }
        ++si;
    }
    return s[0][0] * (s[1][1] * s[2][2] - s[1][2] * s[2][1]) -
           s[0][1] * (s[1][0] * s[2][2] - s[1][2] * s[2][0]) +
           s[0][2] * (s[1][0] * s[2][1] - s[1][1] * s[2][0]);
}

double MMatrix::det4x4() const {
    double d = 0.0;
    for (int j = 0; j < 4; ++j)
        d += (j % 2 ? -1.0 : 1.0) * matrix[0][j] * det3(matrix, 0, j);
    return d;
}

MMatrix& MMatrix::setToIdentity() {
    return *this = MMatrix();
}

bool MMatrix::isEquivalent(const MMatrix& other, double tolerance) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (std::fabs(matrix[i][j] - other.matrix[i][j]) > tolerance)
                return false;
    return true;
}
