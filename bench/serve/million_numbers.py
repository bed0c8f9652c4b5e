# A 1,000,000-number history: two targets of 500,000 numbers, about 1 in 40 in the AAA class.
import random, shutil, sqlite3, sys
src, dst = sys.argv[1], sys.argv[2]
shutil.copy(src, dst)
db = sqlite3.connect(dst)
random.seed(7)
aaa = 1 << 0
db.execute("DELETE FROM numbers"); db.execute("DELETE FROM hits")
start = 1796000000000
rows = []
for target in (1, 2):
    numbers = random.sample(range(13000000000, 19999999999), 500000)
    for i, n in enumerate(numbers):
        classes = aaa if random.random() < 0.025 else 0
        first = start + i * 600
        rows.append((target, n, classes, first, first + 1000, 1 + i % 3))
db.executemany("INSERT INTO numbers VALUES(?,?,?,?,?,?)", rows)
db.execute("UPDATE targets SET distinct_numbers = 500000")
db.commit()
print(db.execute("SELECT count(*) FROM numbers").fetchone())
